#include "bench/script_generator.h"

#include <string_view>

namespace zarn {

namespace {

// splitmix64: the same sequence on every platform, unlike the standard
// library's distributions.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  std::size_t Below(std::size_t n) { return n ? static_cast<std::size_t>(Next() % n) : 0; }
  bool PerMille(int n) { return static_cast<int>(Below(1000)) < n; }
  template <std::size_t N>
  const char* Pick(const char* const (&items)[N]) {
    return items[Below(N)];
  }

 private:
  std::uint64_t state_;
};

constexpr const char* kEvents[] = {"EVENT_PLAYER_UNIT_DEATH", "EVENT_PLAYER_UNIT_SPELL_EFFECT",
                                   "EVENT_PLAYER_UNIT_ATTACKED", "EVENT_PLAYER_UNIT_SUMMON"};
constexpr const char* kUnitIds[] = {"'hfoo'", "'hkni'", "'ogru'", "'Hpal'", "'ewsp'"};
constexpr const char* kComments[] = {"// comment", "//====", "// Actions", "// set up the timer", "// TODO balance"};

class Writer {
 public:
  explicit Writer(const ScriptShape& shape) : shape_(shape), random_(shape.seed) {}

  std::string Script() {
    Globals();
    for (std::size_t i = 0; out_.size() < shape_.target_bytes; ++i) {
      Trigger(Name("Trigger", i));
      if (i % 97 == 13) Method(i);
      if (i % 211 == 5) RawBlock();
    }
    ConditionalBlocks();
    return std::move(out_);
  }

 private:
  void Line(std::string_view indent, std::string_view text) {
    out_.append(indent);
    out_.append(text);
    out_.append("\r\n");
  }
  std::string Name(std::string_view stem, std::size_t i) {
    return std::string(stem) + std::to_string(random_.Below(shape_.names) + (i % 2));
  }
  std::string Var() { return "x" + std::to_string(random_.Below(shape_.names < 12 ? shape_.names : 12)); }

  void Globals() {
    Line("", "globals");
    for (int i = 0; i < 40; ++i) {
      Line("    ", "integer udg_Count" + std::to_string(i) + " = 0");
      Line("    ", "unit array udg_Units" + std::to_string(i));
      Line("    ", "group udg_Group" + std::to_string(i) + " = CreateGroup()");
    }
    Line("    ", "trigger gg_trg_Main = null");
    Line("", "endglobals");
    Line("", "");
  }

  void Banner(const std::string& name) {
    Line("", "//===========================================================================");
    Line("", "// Trigger: " + name);
    Line("", "//===========================================================================");
  }

  void Trigger(const std::string& name) {
    Banner(name);
    Line("", "function Trig_" + name + "_Conditions takes nothing returns boolean");
    Line("    ", std::string("if ( not ( GetUnitTypeId(GetTriggerUnit()) == ") + random_.Pick(kUnitIds) + " ) ) then");
    Line("        ", "return false");
    Line("    ", "endif");
    Line("    ", "return true");
    Line("", "endfunction");
    Line("", "");
    Line("", "function Trig_" + name + "_Actions takes nothing returns nothing");
    Line("    ", "local integer i = 0");
    std::size_t statements = 4 + random_.Below(10);
    for (std::size_t s = 0; s < statements; ++s) Statement();
    Line("", shape_.untidy_per_mille > 0 && random_.Below(2) ? "endfunction//====" : "endfunction");
    Line("", "");
    Line("", "//===========================================================================");
    Line("", "function InitTrig_" + name + " takes nothing returns nothing");
    Line("    ", "set gg_trg_" + name + " = CreateTrigger(  )");
    Line("    ",
         std::string("call TriggerRegisterAnyUnitEventBJ( gg_trg_") + name + ", " + random_.Pick(kEvents) + " )");
    Line("    ", "call TriggerAddCondition( gg_trg_" + name + ", Condition( function Trig_" + name + "_Conditions ) )");
    Line("    ", "call TriggerAddAction( gg_trg_" + name + ", function Trig_" + name + "_Actions )");
    Line("", "endfunction");
    Line("", "");
  }

  void Statement() {
    if (random_.PerMille(shape_.untidy_per_mille)) return Untidy();
    if (random_.PerMille(shape_.extended_per_mille)) return Extended();
    std::string n = std::to_string(random_.Below(40));
    switch (random_.Below(8)) {
      case 0: return Line("    ", "call DisplayTextToForce( GetPlayersAll(), \"Wave \" + I2S(udg_Count" + n + ") )");
      case 1: return Line("    ", "set udg_Count" + n + " = ( udg_Count" + n + " + 1 )");
      case 2:
        Line("    ", "if ( udg_Count" + n + " > 10 ) then");
        Line("        ", "call KillUnit( GetTriggerUnit() )");
        Line("    ", "else");
        Line("        ", "call DoNothing(  )");
        return Line("    ", "endif");
      case 3:
        Line("    ", "set i = 1");
        Line("    ", "loop");
        Line("        ", "exitwhen i > 12");
        Line("        ", "call GroupAddUnit( udg_Group" + n + ", udg_Units" + n + "[i] )");
        Line("        ", "set i = i + 1");
        return Line("    ", "endloop");
      case 4: return Line("    ", random_.Pick(kComments));
      case 5: return Line("", "");
      case 6: return Line("    ", "call SetUnitLifePercentBJ( GetTriggerUnit(), 50.00 ) // heal");
      default: return Line("    ", "call PolledWait( 2.00 )");
    }
  }

  void Extended() {
    std::string v = Var();
    switch (random_.Below(11)) {
      case 0: Line("    ", "var " + v + " = GetTriggerUnit()"); return Line("    ", "free " + v);
      case 1: return Line("    ", "var " + v + " = " + std::to_string(random_.Below(100)));
      case 2:
        Line("    ", "var " + v);
        Line("    ", "set " + v + " = CreateGroup()");
        return Line("    ", "free " + v);
      case 3: Line("    ", "new timer " + v); return Line("    ", "flush " + v);
      case 4: return Line("    ", "new global group " + Name("gg_Pool", 0));
      case 5: return Line("    ", "var " + v + " = 1, " + Var() + " = 2.5");
      case 6: return Line("    ", "flush " + v + ", " + Var());
      case 7:
        Line("    ", "set i = 0");
        Line("    ", "repeat");
        Line("        ", "set i = i + 1");
        return Line("    ", "until i > " + std::to_string(random_.Below(9)));
      case 8: return Line("    ", "var " + v + " = \"text\"");
      case 9: Line("    ", "var " + v + " = GetTriggerPlayer()"); return Line("    ", "flush " + v);
      default: return Line("    ", "new group " + v);
    }
  }

  void Untidy() {
    static const char* const kBlankLines[] = {"", "\t", "\t\t\t", "    ", " \t "};
    switch (random_.Below(4)) {
      case 0:
      case 1: {
        const char* blank = random_.Pick(kBlankLines);
        for (std::size_t n = 10 + random_.Below(60); n > 0; --n) Line("", blank);
        return;
      }
      case 2:
        Line("    ", "/* turned off:");
        Line("        ", "call KillUnit( GetTriggerUnit() )");
        return Line("    ", "*/");
      default:
        Line("    ", "mount zzMounted to GetTriggerUnit()");
        Line("    ", "call SetUnitLifePercentBJ( zzMounted, 100.00 )");
        return Line("    ", "unmount");
    }
  }

  void Method(std::size_t i) {
    Line("", "struct S" + std::to_string(i));
    Line("", "method Get" + std::to_string(i) + " takes nothing returns integer");
    Line("    ", "var n = 3");
    Line("    ", "return n");
    Line("", "endmethod");
    Line("", "endstruct");
  }

  void RawBlock() {
    Line("", "//!nozarn");
    Line("", "function Raw" + std::to_string(out_.size()) + " takes nothing returns nothing");
    Line("    ", "var untouched = 1");
    Line("", "endfunction");
    Line("", "//!endnozarn");
  }

  void ConditionalBlocks() {
    Line("", "//!if true (udg_Count1)");
    Line("", "function DebugOn takes nothing returns nothing");
    Line("    ", "call BJDebugMsg(\"debug\")");
    Line("", "endfunction");
    Line("", "//!endif");
    Line("", "//!if false (udg_Missing)");
    Line("", "function DebugOff takes nothing returns nothing");
    Line("", "endfunction");
    Line("", "//!endif");
  }

  const ScriptShape& shape_;
  Random random_;
  std::string out_;
};

}  // namespace

std::string GenerateScript(const ScriptShape& shape) { return Writer(shape).Script(); }

}  // namespace zarn
