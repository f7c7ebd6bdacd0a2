// zarn-bench: how the preprocessor's time and memory grow with the script.
// For generated scripts of 1, 4 and 16 MB and every script of a corpus folder
// it prints the median time of loading and of the whole preprocessing (and of
// each stage, the JASS 2 grammar check and the full check of the result
// among them), the throughput, the peak memory of zarn-cli on the same file,
// and the time of `grep -c endfunction` as a single-pass baseline. For the
// largest generated script it also times a whole map run, split into the
// archive work and the preprocessing. With --baseline it runs another
// zarn-cli and this one's side by side instead and prints the figures that
// compare them beside their goals.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "bench/editor_bench.h"
#include "bench/script_generator.h"
#include "check/jass_api.h"
#include "check/jass_checker.h"
#include "core/pipeline.h"
#include "map/map_builder.h"
#include "passes/run.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/processes.h"
#include "text/script.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

// Timestamps every progress report, so each stage's time is the gap between
// its report and the next one.
class TimingProgress : public zarn::ProgressReporter {
 public:
  void SetProgress(std::string_view text, int) override { marks_.push_back({std::string(text), Clock::now()}); }
  void SetFunctionName(std::string_view, bool) override {}
  // Stage text and seconds, the last stage ending at `end`.
  std::vector<std::pair<std::string, double>> Stages(Clock::time_point end) const {
    std::vector<std::pair<std::string, double>> stages;
    for (std::size_t i = 0; i < marks_.size(); ++i)
      stages.emplace_back(marks_[i].first,
                          Seconds((i + 1 < marks_.size() ? marks_[i + 1].second : end) - marks_[i].second));
    return stages;
  }

 private:
  std::vector<std::pair<std::string, Clock::time_point>> marks_;
};

struct ChildResult {
  double seconds = 0;
  double cpu_seconds = 0;  // user and system time of the child
  long max_rss_kb = 0;
  int status = -1;
};

// Runs a program with its output discarded; wall time and peak memory.
ChildResult RunChild(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  // posix_spawn does not copy this process's pages into the child, so the
  // child's peak memory is its own.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  Clock::time_point start = Clock::now();
  pid_t pid = -1;
  int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) pid = -1;
  ChildResult result;
  struct rusage usage {};
  int status = 0;
  if (pid > 0 && wait4(pid, &status, 0, &usage) == pid) {
    result.seconds = Seconds(Clock::now() - start);
    result.max_rss_kb = usage.ru_maxrss;
    result.cpu_seconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  return result;
}

// Helper mode: the peak memory of a command started from this small process.
// (Linux keeps the high-water mark of the process that calls exec, so a
// child started straight from the benchmark would report the benchmark's.)
int PeakOf(char** argv) {
  pid_t pid = fork();
  if (pid == 0) {
    int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    execvp(argv[0], argv);
    _exit(127);
  }
  struct rusage usage {};
  int status = 0;
  if (pid < 0 || wait4(pid, &status, 0, &usage) != pid) return 1;
  std::printf("%ld\n", usage.ru_maxrss);
  return 0;
}

long PeakRssKb(const std::string& self, const std::vector<std::string>& command) {
  std::string line = "'" + self + "' --peak-of";
  for (const std::string& a : command) line += " '" + a + "'";
  std::FILE* pipe = popen(line.c_str(), "r");
  long kb = 0;
  if (pipe) {
    if (std::fscanf(pipe, "%ld", &kb) != 1) kb = 0;
    pclose(pipe);
  }
  return kb;
}

// This program, for the helper mode.
std::string g_self;
// The game's API for the full check, read once; none: the stage is left out.
std::optional<zarn::JassApi> g_api;

struct Figures {
  std::string name;
  double megabytes = 0;
  double load = 0, whole = 0, grep = 0;
  double check = 0;       // the JASS 2 grammar check of the result, its own stage
  double full_check = 0;  // the full check of the result after the API, its own stage
  std::size_t full_problems = 0;
  std::size_t problems = 0;
  bool vjass = false;  // only literals and block balance were checked
  long max_rss_kb = 0;
  std::vector<std::pair<std::string, double>> stages;
};

Figures Measure(const std::string& name, const std::string& path, const std::string& cli) {
  Figures f;
  f.name = name;
  f.megabytes = static_cast<double>(fs::file_size(path)) / (1024.0 * 1024.0);
  const int runs = 5;
  std::vector<double> loads, wholes, greps, checks, full_checks;
  std::vector<std::map<std::string, double>> stage_runs;
  std::vector<std::string> stage_order;
  for (int r = 0; r < runs; ++r) {
    Clock::time_point start = Clock::now();
    std::string bytes = zarn::ReadFileBytes(path);
    loads.push_back(Seconds(Clock::now() - start));
    TimingProgress progress;
    zarn::Run run(progress);
    zarn::BuildLanguageTables(run);
    run.raw = std::move(bytes);
    start = Clock::now();
    progress.SetProgress("Literal scan (hide)", 0);
    zarn::HideLiterals(run);
    zarn::RunPasses(run);
    progress.SetProgress("Literal restore", 0);
    zarn::RestoreLiterals(run);
    Clock::time_point preprocessed = Clock::now();
    zarn::ErrorReport report = zarn::ScanResultForMarkers(run);
    Clock::time_point end = Clock::now();
    wholes.push_back(Seconds(end - start));
    const zarn::JassCheckResult checked = zarn::CheckJass(run.text);
    f.problems = checked.problems.size();
    f.vjass = checked.vjass;
    checks.push_back(Seconds(Clock::now() - end));
    std::map<std::string, double> stages;
    auto timed = progress.Stages(preprocessed);
    timed.emplace_back("Finding errors (scan)", Seconds(end - preprocessed));
    timed.emplace_back("Checking script (JASS 2 check)", checks.back());
    if (g_api) {
      const Clock::time_point full_start = Clock::now();
      f.full_problems = zarn::CheckJassProgram({{name, run.text}}, &*g_api).problems.size();
      full_checks.push_back(Seconds(Clock::now() - full_start));
      timed.emplace_back("Checking script (full check)", full_checks.back());
    }
    for (auto& [text, seconds] : timed) {
      if (r == 0) stage_order.push_back(text);
      stages[text] += seconds;
    }
    stage_runs.push_back(std::move(stages));
  }
  for (int r = 0; r < 5; ++r) greps.push_back(RunChild({"grep", "-c", "endfunction", path}).seconds);
  f.load = Median(loads);
  f.whole = Median(wholes);
  f.check = Median(checks);
  f.full_check = Median(full_checks);
  f.grep = Median(greps);
  for (const std::string& text : stage_order) {
    std::vector<double> values;
    for (auto& stages : stage_runs) values.push_back(stages[text]);
    f.stages.emplace_back(text, Median(values));
  }
  f.max_rss_kb = PeakRssKb(g_self, {cli, "--script", path, "--out", "/dev/null"});
  return f;
}

void Print(const Figures& f) {
  std::printf(
      "%-44s %7.2f MB  load %7.3f s  preprocess+scan %7.3f s  %7.2f MB/s  grep %6.4f s  ratio %6.1f  "
      "peak RSS %7.1f MB (%4.1fx)\n",
      f.name.c_str(), f.megabytes, f.load, f.whole, f.megabytes / f.whole, f.grep, f.whole / f.grep,
      f.max_rss_kb / 1024.0, f.max_rss_kb / 1024.0 / f.megabytes);
  for (auto& [text, seconds] : f.stages) std::printf("    %-40s %8.3f s\n", text.c_str(), seconds);
  std::printf("    JASS 2 check: %.3f s, %.2f of the preprocessing, %zu problems%s\n", f.check, f.check / f.whole,
              f.problems, f.vjass ? " (vJass: literals and blocks only)" : "");
  if (g_api)
    std::printf("    full check: %.3f s, %.2f times the grammar check, %zu problems\n", f.full_check,
                f.full_check / f.check, f.full_problems);
  std::fflush(stdout);
}

// The folder of the API, for the language server's figures: DIR, or a copy
// of the corpus's 1.31 pair under the names the server looks for.
std::string g_api_dir;

// The API of the full check stage: DIR's common.j and Blizzard.j, or else
// the 1.31 pair of the shared corpus when it is there.
void LoadApi(const std::string& dir, const fs::path& scratch) {
  if (!dir.empty()) {
    g_api = zarn::JassApi::Load(dir);
    g_api_dir = dir;
    return;
  }
  const fs::path corpus = ZARN_CORPUS_JASS;
  const fs::path common = corpus / "common-1.31.j", blizzard = corpus / "Blizzard-1.31.j";
  if (!fs::exists(common) || !fs::exists(blizzard)) {
    std::printf("no API (common.j, Blizzard.j): the full check stage is left out\n");
    return;
  }
  g_api = zarn::JassApi::FromTexts(zarn::ReadFileBytes(common.string()), zarn::ReadFileBytes(blizzard.string()),
                                   common.string(), blizzard.string());
  g_api_dir = (scratch / "api").string();
  fs::create_directories(g_api_dir);
  fs::copy_file(common, fs::path(g_api_dir) / "common.j", fs::copy_options::overwrite_existing);
  fs::copy_file(blizzard, fs::path(g_api_dir) / "Blizzard.j", fs::copy_options::overwrite_existing);
}

class NoErrors : public zarn::ErrorPresenter {
 public:
  void PresentErrors(const zarn::ErrorReport&) override {}
};

// A map run (RunPipeline) on a fresh copy of a map holding `script`. The
// archive work is opening and extracting (reports 10 to 30) plus writing the
// result back, compacting and verifying (110 to the end); the preprocessing
// is what lies between, the marker scan and saving the working file included.
void MeasureMapRun(const std::string& script_path, const fs::path& scratch, double megabytes) {
  const std::string original = (scratch / "bench-original.w3x").string();
  const std::string map = (scratch / "bench.w3x").string();
  zarn::BuildMapArchive(original, {{"war3map.j", zarn::ReadFileBytes(script_path)}});
  std::vector<double> extracts, inserts, preprocesses;
  for (int r = 0; r < 3; ++r) {
    fs::copy_file(original, map, fs::copy_options::overwrite_existing);
    TimingProgress progress;
    NoErrors errors;
    zarn::MapRunOptions options;
    options.map_path = map;
    options.tool_dir = scratch.string();
    options.delete_working_files = true;
    const int code = zarn::RunPipeline(options, progress, errors);
    const Clock::time_point end = Clock::now();
    if (code != 0) {
      std::printf("map run: exit code %d, not timed\n", code);
      return;
    }
    double extract = 0, insert = 0, preprocess = 0;
    bool before_script = true, after_script = false;
    for (auto& [text, seconds] : progress.Stages(end)) {
      if (text.rfind("Parsing spaces", 0) == 0) before_script = false;
      if (text.rfind("Closing archive", 0) == 0) after_script = true;
      (before_script ? extract : after_script ? insert : preprocess) += seconds;
    }
    extracts.push_back(extract);
    inserts.push_back(insert);
    preprocesses.push_back(preprocess);
  }
  const double archive = Median(extracts) + Median(inserts);
  std::printf(
      "map run on the %.0f MB script: archive work %7.3f s (open+extract %.3f s, insert+compact+verify "
      "%.3f s)  preprocessing %7.3f s  archive / preprocessing %.2f\n",
      megabytes, archive, Median(extracts), Median(inserts), Median(preprocesses), archive / Median(preprocesses));
  fs::remove(original);
  fs::remove(map);
}

// Scripts built to stress one statement kind: `count` statements of it (in
// one function body, or as that many bodies). Each kind at two sizes shows
// whether its cost grows with the script or faster.
std::string StressScript(const std::string& kind, int count) {
  std::string s = "globals\r\ninteger a = 0\r\nendglobals\r\n";
  auto line = [&](const std::string& text) { s += text + "\r\n"; };
  const bool one_body = kind != "methods" && kind != "raw blocks" && kind != "identical bodies";
  if (one_body) line("function F takes nothing returns nothing");
  for (int i = 0; i < count; ++i) {
    const std::string n = std::to_string(i);
    if (kind == "global statements") line("global integer x" + n + " = " + n);
    if (kind == "new global statements") line("new global group g" + n);
    if (kind == "var statements") {
      line("var v" + n + " = GetTriggerUnit()");
      line("var w" + n);
      line("set w" + n + " = CreateGroup()");
    }
    if (kind == "free statements") line("local unit u" + n + " = null\r\nfree u" + n);
    // Untranslatable, so each gets a marker; the names hold one another.
    if (kind == "marked free statements") line("free udg_Unit" + n);
    if (kind == "statement lists")
      line("local unit a" + n + ", b" + n + "\r\nfree a" + n + ", b" + n + "\r\nvar p" + n + " = 1, q" + n + " = 2");
    if (kind == "new and flush") line("new timer t" + n + "\r\nflush t" + n);
    if (kind == "repeat loops") line("repeat\r\ncall A" + n + "()\r\nuntil x > " + n);
    if (kind == "mount blocks") line("mount m" + n + " = udg_X[" + n + "]\r\ncall A(m" + n + ")\r\nunmount m" + n);
    if (kind == "conditional blocks") line("//!if DEBUG\r\ncall D" + n + "()\r\n//!endif");
    if (kind == "raw blocks")
      line("//!nozarn\r\nfunction R" + n + " takes nothing returns nothing\r\nendfunction\r\n//!endnozarn");
    if (kind == "identical bodies")
      line("function F" + std::to_string(i % 50) +
           " takes nothing returns integer\r\nvar x = 1\r\nreturn 1\r\nendfunction");
    if (kind == "methods")
      line("method M" + n + " takes nothing returns integer\r\nvar x = 1\r\nreturn 1\r\nendmethod");
    if (kind == "comments")
      line("// c" + std::to_string(i % 7) + "\r\n/* b" + std::to_string(i % 5) + " */ call X() // z");
  }
  if (one_body) line("endfunction");
  return s;
}

// Median time of PreprocessScript + ScanResultForMarkers on `script`; a script
// refused as too complex counts until it is refused.
double PreprocessSeconds(const std::string& script, int runs = 3) {
  std::vector<double> times;
  for (int r = 0; r < runs; ++r) {
    zarn::NullProgress progress;
    zarn::Run run(progress);
    zarn::BuildLanguageTables(run);
    run.raw = script;
    Clock::time_point start = Clock::now();
    try {
      zarn::PreprocessScript(run);
      zarn::ScanResultForMarkers(run);
    } catch (const zarn::Error&) {}
    times.push_back(Seconds(Clock::now() - start));
  }
  return Median(times);
}

const char* const kStressKinds[] = {
    "global statements", "new global statements", "var statements", "free statements", "marked free statements",
    "statement lists",   "new and flush",         "repeat loops",   "mount blocks",    "conditional blocks",
    "raw blocks",        "identical bodies",      "methods",        "comments"};

void MeasureStress() {
  std::printf("statement kinds at 10,000 and 40,000 statements (time ratio near 4: linear):\n");
  for (const char* kind : kStressKinds) {
    const double small = PreprocessSeconds(StressScript(kind, 10000));
    const double large = PreprocessSeconds(StressScript(kind, 40000));
    std::printf("    %-24s %8.3f s %8.3f s  ratio %5.2f\n", kind, small, large, large / small);
  }
  std::fflush(stdout);
}

// Generated scripts of several shapes, for comparing the output of two
// builds: the benchmark's own, dense in extended statements with few names
// (identical lines and bodies), and untidy.
void WriteShapes(const std::string& folder) {
  fs::create_directories(folder);
  for (std::uint64_t seed = 1; seed <= 12; ++seed) {
    zarn::ScriptShape shape;
    shape.target_bytes = seed % 4 == 0 ? 1 << 20 : 200'000;
    shape.seed = seed;
    shape.names = seed % 3 == 0 ? 1'000'000 : 2 + seed % 7;
    shape.extended_per_mille = 30 + static_cast<int>(seed % 4) * 100;
    shape.untidy_per_mille = seed % 2 ? 100 : 0;
    zarn::WriteFileBytes((fs::path(folder) / ("shape-" + std::to_string(seed) + ".j")).string(),
                         zarn::GenerateScript(shape));
  }
}

// Side by side with another zarn-cli: whole-process runs of both programs,
// taken in turn, with each figure printed beside its goal.
class SideBySide {
 public:
  SideBySide(std::string baseline, std::string cli, const fs::path& scratch)
      : old_(std::move(baseline)), new_(std::move(cli)), scratch_(scratch) {}

  void Run(const std::string& corpus) {
    std::printf(
        "side by side: old %s, new %s\n(medians of %d whole-process runs taken in turn; wall time, and in brackets "
        "the processor time of all threads)\n",
        old_.c_str(), new_.c_str(), kRuns);
    const fs::path dwc = fs::path(corpus) / "WaterKnight__DefendWintercastle__dwc74-map.j";
    if (fs::exists(dwc)) Script("dwc74", dwc.string(), /*memory=*/true);
    const std::string large = Generated(16), small = Generated(4);
    const Times passes_large = Script("generated 16 MB", large, /*memory=*/false);
    const double grep = GrepSeconds(large);
    const double old_grep = passes_large.old_wall / grep, new_grep = passes_large.new_wall / grep;
    std::printf("    %-44s old %7.1fx new %7.1fx  goal <= 75 (then 30)  %s\n", "generated 16 MB preprocessing / grep",
                old_grep, new_grep, Verdict(new_grep <= 75));
    const Times passes_small = Measure({"--script", small, "--out", "/dev/null", "--no-check"});
    const double old_growth = passes_large.old_wall / passes_small.old_wall;
    const double new_growth = passes_large.new_wall / passes_small.new_wall;
    std::printf("    %-44s old %7.2f  new %7.2f   goal <= 4.5  %s\n", "passes alone, 16 MB / 4 MB", old_growth,
                new_growth, Verdict(new_growth <= 4.5));
    Stress();
    std::fflush(stdout);
  }

 private:
  static constexpr int kRuns = 9;
  struct Times {
    double old_wall = 0, new_wall = 0, old_cpu = 0, new_cpu = 0;
  };

  static const char* Verdict(bool met) { return met ? "met" : "MISSED"; }

  Times Measure(const std::vector<std::string>& args, int runs = kRuns) const {
    std::vector<double> old_walls, new_walls, old_cpus, new_cpus;
    for (int r = 0; r < runs; ++r) {
      std::vector<std::string> old_command{old_}, new_command{new_};
      old_command.insert(old_command.end(), args.begin(), args.end());
      new_command.insert(new_command.end(), args.begin(), args.end());
      const ChildResult old_run = RunChild(old_command), new_run = RunChild(new_command);
      old_walls.push_back(old_run.seconds);
      new_walls.push_back(new_run.seconds);
      old_cpus.push_back(old_run.cpu_seconds);
      new_cpus.push_back(new_run.cpu_seconds);
    }
    return {Median(old_walls), Median(new_walls), Median(old_cpus), Median(new_cpus)};
  }

  static void Ratio(const std::string& what, const Times& t, double goal) {
    const double ratio = t.new_wall / t.old_wall;
    std::printf("    %-44s old %6.3f s (%6.3f)  new %6.3f s (%6.3f)  new / old %4.2f (%4.2f)  goal <= %.2f  %s\n",
                what.c_str(), t.old_wall, t.old_cpu, t.new_wall, t.new_cpu, ratio, t.new_cpu / t.old_cpu, goal,
                Verdict(ratio <= goal));
  }

  // The whole run with the full check, and the passes alone, with the peak
  // memory of the passes alone when asked.
  Times Script(const std::string& name, const std::string& path, bool memory) {
    if (!g_api_dir.empty())
      Ratio(name + " whole run (--api)", Measure({"--script", path, "--out", "/dev/null", "--api", g_api_dir}), 0.45);
    const std::vector<std::string> passes_only = {"--script", path, "--out", "/dev/null", "--no-check"};
    const Times passes = Measure(passes_only);
    Ratio(name + " passes alone (--no-check)", passes, 0.5);
    if (memory) {
      std::vector<std::string> old_command{old_}, new_command{new_};
      old_command.insert(old_command.end(), passes_only.begin(), passes_only.end());
      new_command.insert(new_command.end(), passes_only.begin(), passes_only.end());
      const double old_mb = PeakRssKb(g_self, old_command) / 1024.0, new_mb = PeakRssKb(g_self, new_command) / 1024.0;
      std::printf("    %-44s old %6.1f MB  new %6.1f MB  goal <= 60 MB  %s\n",
                  (name + " passes alone, peak memory").c_str(), old_mb, new_mb, Verdict(new_mb <= 60));
    }
    return passes;
  }

  std::string Generated(int mb) const {
    zarn::ScriptShape shape;
    shape.target_bytes = static_cast<std::size_t>(mb) << 20;
    shape.seed = 20240601;
    const std::string path = (scratch_ / ("side-" + std::to_string(mb) + "mb.j")).string();
    zarn::WriteFileBytes(path, zarn::GenerateScript(shape));
    return path;
  }

  static double GrepSeconds(const std::string& path) {
    std::vector<double> greps;
    for (int r = 0; r < kRuns; ++r) greps.push_back(RunChild({"grep", "-c", "endfunction", path}).seconds);
    return Median(greps);
  }

  // Every stress kind at 40,000 statements, the passes alone: none slower.
  void Stress() const {
    std::printf("    stress kinds at 40,000 statements, passes alone (goal: none slower than old)\n");
    for (const char* kind : kStressKinds) {
      const std::string path = (scratch_ / "side-stress.j").string();
      zarn::WriteFileBytes(path, StressScript(kind, 40000));
      const Times t = Measure({"--script", path, "--out", "/dev/null", "--no-check"});
      const double ratio = t.new_wall / t.old_wall, cpu_ratio = t.new_cpu / t.old_cpu;
      std::printf("        %-24s old %6.3f s (%6.3f)  new %6.3f s (%6.3f)  new / old %4.2f (%4.2f) %s\n", kind,
                  t.old_wall, t.old_cpu, t.new_wall, t.new_cpu, ratio, cpu_ratio,
                  std::min(ratio, cpu_ratio) <= 1.05 ? "" : "SLOWER");
    }
  }

  std::string old_, new_;
  fs::path scratch_;
};

}  // namespace

// The language server's figures on one script, against three --script runs.
void MeasureEditorOn(const std::string& script, const std::string& cli, const std::string& scratch) {
  std::vector<double> runs;
  for (int r = 0; r < 3; ++r)
    runs.push_back(RunChild({cli, "--script", script, "--api", g_api_dir, "--out", "/dev/null"}).seconds);
  zarn::bench::MeasureEditor(script, g_api_dir, Median(runs), cli, scratch,
                             [](const std::vector<std::string>& command) { return PeakRssKb(g_self, command); });
}

int main(int argc, char** argv) {
  if (argc > 2 && std::string(argv[1]) == "--peak-of") return PeakOf(argv + 2);
  g_self = fs::canonical("/proc/self/exe").string();
  zarn::TuneMemoryAllocator();
  std::string corpus = ZARN_CORPUS_SCRIPTS;
  std::string api_dir;
  std::vector<int> sizes = {1, 4, 16};
  std::string keep;  // folder that keeps the generated scripts, for output comparisons
  bool stress = true;
  std::string baseline;     // another zarn-cli: only the side-by-side figures
  std::string generate;     // a folder for the generated scripts of several shapes, for output comparisons
  std::string editor_only;  // --editor SCRIPT: only the language server's figures on it
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--corpus" && i + 1 < argc)
      corpus = argv[++i];
    else if (arg == "--baseline" && i + 1 < argc)
      baseline = argv[++i];
    else if (arg == "--generate" && i + 1 < argc)
      generate = argv[++i];
    else if (arg == "--api" && i + 1 < argc)
      api_dir = argv[++i];
    else if (arg == "--keep" && i + 1 < argc)
      keep = argv[++i];
    else if (arg == "--editor" && i + 1 < argc)
      editor_only = argv[++i];
    else if (arg == "--no-stress")
      stress = false;
    else if (arg == "--sizes" && i + 1 < argc) {
      sizes.clear();
      for (std::string s = argv[++i]; !s.empty();) {
        std::size_t comma = s.find(',');
        sizes.push_back(std::atoi(s.substr(0, comma).c_str()));
        s = comma == std::string::npos ? "" : s.substr(comma + 1);
      }
    } else {
      std::fprintf(stderr,
                   "Usage: zarn-bench [--sizes 1,4,16] [--corpus DIR] [--api DIR] [--keep DIR] [--no-stress]\n"
                   "       zarn-bench --baseline ZARN-CLI [--corpus DIR] [--api DIR]\n"
                   "       zarn-bench --editor SCRIPT --api DIR\n"
                   "       zarn-bench --generate DIR\n");
      return 2;
    }
  }
  if (!generate.empty()) {
    WriteShapes(generate);
    return 0;
  }
  const std::string cli = (fs::canonical("/proc/self/exe").parent_path() / "zarn-cli").string();
  fs::path scratch = fs::temp_directory_path() / ("zarn-bench-" + std::to_string(getpid()));
  fs::create_directories(scratch);
  LoadApi(api_dir, scratch);
  if (!baseline.empty()) {
    SideBySide(fs::canonical(baseline).string(), cli, scratch).Run(corpus);
    fs::remove_all(scratch);
    return 0;
  }
  if (!editor_only.empty()) {
    if (!g_api_dir.empty()) MeasureEditorOn(editor_only, cli, scratch.string());
    fs::remove_all(scratch);
    return g_api_dir.empty() ? 2 : 0;
  }

  std::map<int, std::string> scripts;  // size -> generated file, kept for the ratio
  for (int mb : sizes) {
    zarn::ScriptShape shape;
    shape.target_bytes = static_cast<std::size_t>(mb) << 20;
    shape.seed = 20240601;
    std::string path = (scratch / ("generated-" + std::to_string(mb) + "mb.j")).string();
    zarn::WriteFileBytes(path, zarn::GenerateScript(shape));
    Figures f = Measure("generated " + std::to_string(mb) + " MB (seed 20240601)", path, cli);
    Print(f);
    scripts[mb] = path;
    if (mb == *std::max_element(sizes.begin(), sizes.end())) MeasureMapRun(path, scratch, f.megabytes);
    if (!keep.empty())
      fs::copy_file(path, fs::path(keep) / fs::path(path).filename(), fs::copy_options::overwrite_existing);
  }
  if (scripts.count(4) && scripts.count(16)) {
    // The two sizes in turn, so that a spell of load on a shared machine
    // weighs on both alike.
    const std::string small = zarn::ReadFileBytes(scripts[4]), large = zarn::ReadFileBytes(scripts[16]);
    std::vector<double> smalls, larges;
    for (int r = 0; r < 9; ++r) {
      smalls.push_back(PreprocessSeconds(small, 1));
      larges.push_back(PreprocessSeconds(large, 1));
    }
    std::printf("16 MB / 4 MB time ratio: %.2f (medians of 9 runs, taken in turn: %.3f s / %.3f s)\n",
                Median(larges) / Median(smalls), Median(larges), Median(smalls));
  }
  for (auto& [mb, path] : scripts) fs::remove(path);
  if (stress) MeasureStress();

  if (fs::is_directory(corpus)) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(corpus))
      if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) Print(Measure(file.filename().string(), file.string(), cli));
    // The language server on the largest of them.
    const auto largest = std::max_element(files.begin(), files.end(), [](const fs::path& a, const fs::path& b) {
      return fs::file_size(a) < fs::file_size(b);
    });
    if (largest != files.end() && !g_api_dir.empty()) { MeasureEditorOn(largest->string(), cli, scratch.string()); }
  } else {
    std::printf("corpus folder %s not found: real scripts skipped\n", corpus.c_str());
  }
  fs::remove_all(scratch);
  return 0;
}
