function f takes nothing returns nothing
set s = "abc\
set i = 'A
/* open
endfunction
