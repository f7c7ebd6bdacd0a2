function f takes nothing returns nothing
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
var a
set a = b
endfunction
