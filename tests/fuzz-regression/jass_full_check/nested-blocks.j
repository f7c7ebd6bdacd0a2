function f takes nothing returns nothing
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
repeat
if x then
loop
until y
endfunction
