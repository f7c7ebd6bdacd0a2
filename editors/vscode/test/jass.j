// SYNTAX TEST "source.jass" "JASS 2: declarations, statements, literals and comments"
globals
// <------- keyword.other.jass
    constant integer MAX = 0x1F
//  ^^^^^^^^ storage.modifier.jass
//           ^^^^^^^ support.type.primitive.jass
//                       ^ keyword.operator.assignment.jass
//                         ^^^^ constant.numeric.hex.jass
    real array speeds
//       ^^^^^ storage.modifier.jass
endglobals
// <---------- keyword.other.jass
type hero extends unit
// <---- storage.type.jass
//   ^^^^ entity.name.type.jass
//        ^^^^^^^ storage.modifier.jass
native KillUnit takes unit whichUnit returns nothing
// <------ storage.type.function.jass
//     ^^^^^^^^ entity.name.function.jass
//              ^^^^^ storage.modifier.jass
//                                   ^^^^^^^ storage.modifier.jass
//                                           ^^^^^^^ support.type.primitive.jass
function Test takes integer n returns boolean
// <-------- storage.type.function.jass
//       ^^^^ entity.name.function.jass
    local string s = "say \"hi\"" // a comment
//  ^^^^^ keyword.other.jass
//                   ^ punctuation.definition.string.begin.jass
//                        ^^ constant.character.escape.jass
//                                ^^^^^^^^^^^^ comment.line.double-slash.jass
    local integer id = 'hfoo' + $ff + 017 + 3
//                     ^^^^^^ constant.numeric.rawcode.jass
//                            ^ keyword.operator.arithmetic.jass
//                              ^^^ constant.numeric.hex.jass
//                                    ^^^ constant.numeric.integer.jass
    set speeds[n] = 1.5 * .25
//  ^^^ keyword.other.jass
//                  ^^^ constant.numeric.float.jass
//                        ^^^ constant.numeric.float.jass
    call KillUnit(null)
//  ^^^^ keyword.other.jass
//       ^^^^^^^^ entity.name.function.call.jass
//                ^^^^ constant.language.jass
    if n >= 2 and not (n == 3) then
//  ^^ keyword.control.conditional.jass
//       ^^ keyword.operator.comparison.jass
//            ^^^ keyword.operator.logical.jass
//                             ^^^^ keyword.control.conditional.jass
        return true
//      ^^^^^^ keyword.control.flow.jass
//             ^^^^ constant.language.jass
    elseif n != 1 then
//  ^^^^^^ keyword.control.conditional.jass
    else
        debug call BJDebugMsg(s)
//      ^^^^^ keyword.other.jass
    endif
//  ^^^^^ keyword.control.conditional.jass
    loop
//  ^^^^ keyword.control.loop.jass
        exitwhen n > 10
//      ^^^^^^^^ keyword.control.loop.jass
    endloop
//  ^^^^^^^ keyword.control.loop.jass
    return false
endfunction
// <----------- storage.type.function.jass
