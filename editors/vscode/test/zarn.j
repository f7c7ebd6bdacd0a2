// SYNTAX TEST "source.jass" "ZARN: its statements and directives"
//!import "lib/util.j"
// <--- punctuation.definition.directive.jass
// <--------- keyword.control.directive.jass
//        ^^^^^^^^^^^^ string.quoted.double.jass
//!words
// <------- keyword.control.directive.jass
//!if true (udg_Debug)
// <----- keyword.control.directive.jass
//    ^^^^ constant.language.boolean.jass
//          ^^^^^^^^^ variable.other.jass
function Demo takes nothing returns nothing
    var count = 0, new timer t
//  ^^^ keyword.other.zarn.jass
//                 ^^^ keyword.other.zarn.jass
//                     ^^^^^ - keyword
    new global group g
//  ^^^ keyword.other.zarn.jass
//      ^^^^^^ keyword.other.zarn.jass
    global integer total = 0
//  ^^^^^^ keyword.other.zarn.jass
    mount u to GetTriggerUnit()
//  ^^^^^ keyword.other.zarn.jass
//        ^ variable.other.alias.jass
//          ^^ keyword.other.zarn.jass
//             ^^^^^^^^^^^^^^ entity.name.function.call.jass
    repeat
//  ^^^^^^ keyword.control.loop.zarn.jass
        set count = count + 1
    until count > 3
//  ^^^^^ keyword.control.loop.zarn.jass
    unmount
//  ^^^^^^^ keyword.other.zarn.jass
    free t
//  ^^^^ keyword.other.zarn.jass
    flush g
//  ^^^^^ keyword.other.zarn.jass
endfunction
//!endif
// <-------- keyword.control.directive.jass
//!nozarn
// <---------- meta.block.raw.jass keyword.control.directive.jass
function Raw takes nothing returns nothing
// <-------- meta.block.raw.jass storage.type.function.jass
    var x
//  ^^^ meta.block.raw.jass - keyword.other.zarn.jass
endfunction
//!endnozarn
// <------------- meta.block.raw.jass keyword.control.directive.jass
// a plain comment: var new free
// <---------------------------- comment.line.double-slash.jass
