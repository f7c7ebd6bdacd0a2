// A small map script written with every ZARN extension.
globals
    integer udg_Count = 0
    unit udg_Hero = null
endglobals

// Raw blocks pass through untranslated: "isglobal" would otherwise be read
// as a global statement.
//!nozarn
function RawHelper takes nothing returns boolean
    local boolean isglobal = false
    return isglobal
endfunction
//!endnozarn

function GetScore takes integer base returns real
    return base * 1.5
endfunction

function Spawn takes nothing returns nothing
    var u = CreateUnit(Player(0), 'hfoo', 0.0, 0.0, 0.0)
    var score = GetScore(3)
    var a = 1, b = 2.5
    var g
    var loc = GetUnitLoc(u)
    new timer t
    new global group udg_Spawned
    global integer udg_Waves = 0
    set g = CreateGroup()
    call GroupAddUnit(g, u)
    call GroupAddUnit(udg_Spawned, u)
    set udg_Waves = udg_Waves + a
    repeat
        set udg_Count = udg_Count + 1
    until udg_Count >= 10
    call SetUnitState(u, UNIT_STATE_LIFE, score * b)
    call DestroyTimer(t)
    free g, loc
    flush g, loc, t
endfunction

function OnDeath takes nothing returns nothing
    mount dying to GetTriggerUnit()
    call SetUnitState(dying, UNIT_STATE_MANA, 0)
    call KillUnit(dying)
    unmount
    //!if true (udg_Hero)
    call KillUnit(udg_Hero)
    //!endif
endfunction

function InitTrig_Example takes nothing returns nothing
    new trigger trg
    call TriggerRegisterPlayerUnitEvent(trg, Player(0), EVENT_PLAYER_UNIT_DEATH, null)
    call TriggerAddAction(trg, function OnDeath)
    call TimerStart(CreateTimer(), 1.0, false, function Spawn)
endfunction
