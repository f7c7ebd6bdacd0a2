function f takes nothing returns nothing
call BJDebugMsg("//!ZARN Error:var x")
var
endfunction
