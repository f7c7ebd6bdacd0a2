function f takes nothing returns nothing
call BJDebugMsg("Ääÿ")
endfunction