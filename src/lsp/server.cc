#include "lsp/server.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <utility>

#include "platform/file_uri.h"

namespace zarn::lsp {

namespace {

// A request the features cannot answer as asked: an error response.
struct RequestError {
  int code;
  std::string message;
};

const Json& Field(const Json& object, const char* name) {
  static const Json kNull;
  if (!object.is_object()) return kNull;
  const auto found = object.find(name);
  return found == object.end() ? kNull : *found;
}

std::string UriOf(const Json& params) {
  const Json& uri = Field(Field(params, "textDocument"), "uri");
  if (!uri.is_string()) throw RequestError{kInvalidParams, "textDocument.uri is missing"};
  return uri.get<std::string>();
}

std::size_t Count(const Json& value) {
  if (!value.is_number_integer() || value.get<std::int64_t>() < 0) throw RequestError{kInvalidParams, "bad position"};
  return value.get<std::size_t>();
}

Position PositionOf(const Json& position) {
  return {Count(Field(position, "line")), Count(Field(position, "character"))};
}

int CompletionKind(ItemKind kind) {
  switch (kind) {
    case ItemKind::kKeyword: return 14;
    case ItemKind::kType: return 7;
    case ItemKind::kFunction:
    case ItemKind::kNative: return 3;
    case ItemKind::kConstant: return 21;
    case ItemKind::kGlobal:
    case ItemKind::kLocal:
    case ItemKind::kParameter:
    case ItemKind::kAlias: return 6;
  }
  return 1;
}

int SymbolKind(ItemKind kind) {
  switch (kind) {
    case ItemKind::kType: return 5;
    case ItemKind::kFunction:
    case ItemKind::kNative: return 12;
    case ItemKind::kConstant: return 14;
    default: return 13;
  }
}

// The legend, in the order of TokenType and of TokenModifier's bits.
const Json kTokenTypes = {"type",    "function", "variable", "parameter", "keyword",
                          "comment", "string",   "number",   "operator",  "macro"};
const Json kTokenModifiers = {"declaration", "readonly", "defaultLibrary", "global"};

// Markdown as plain text: the code fences go, the code stays.
std::string PlainText(const std::string& markdown) {
  std::string plain;
  std::size_t at = 0;
  while (at < markdown.size()) {
    std::size_t end = markdown.find('\n', at);
    if (end == std::string::npos) end = markdown.size();
    const std::string_view line(markdown.data() + at, end - at);
    if (line.substr(0, 3) != "```") plain.append(line).append(end < markdown.size() ? "\n" : "");
    at = end + 1;
  }
  return plain;
}

}  // namespace

Server::Server(WorkspaceOptions options, MessageWriter& out) : workspace_(std::move(options)), out_(out) {
  requests_ = {
      {"initialize", [this](const Json& p) { return Initialize(p); }},
      {"shutdown",
       [this](const Json&) {
         shutdown_ = true;
         return Json();
       }},
      {"textDocument/hover", [this](const Json& p) { return Hover(p); }},
      {"textDocument/definition", [this](const Json& p) { return Definition(p); }},
      {"textDocument/references", [this](const Json& p) { return References(p); }},
      {"textDocument/rename", [this](const Json& p) { return Rename(p); }},
      {"textDocument/completion", [this](const Json& p) { return Completion(p); }},
      {"textDocument/signatureHelp", [this](const Json& p) { return SignatureHelp(p); }},
      {"textDocument/documentSymbol", [this](const Json& p) { return DocumentSymbols(p); }},
      {"textDocument/semanticTokens/full", [this](const Json& p) { return SemanticTokens(p, false); }},
      {"textDocument/semanticTokens/range", [this](const Json& p) { return SemanticTokens(p, true); }},
      {"textDocument/inlayHint", [this](const Json& p) { return InlayHints(p); }},
      {"textDocument/codeAction", [this](const Json& p) { return CodeActions(p); }},
      {"textDocument/documentHighlight", [this](const Json& p) { return DocumentHighlights(p); }},
      {"textDocument/foldingRange", [this](const Json& p) { return FoldingRanges(p); }},
      {"workspace/symbol", [this](const Json& p) { return WorkspaceSymbols(p); }},
  };
  notifications_ = {
      {"initialized", [](Json&) {}},
      {"exit", [this](Json&) { exited_ = true; }},
      {"textDocument/didOpen", [this](Json& p) { DidOpen(p); }},
      {"textDocument/didChange", [this](Json& p) { DidChange(p); }},
      {"textDocument/didSave", [this](Json& p) { pending_.insert(UriOf(p)); }},
      {"textDocument/didClose", [this](Json& p) { DidClose(p); }},
  };
}

void Server::Handle(Incoming incoming) {
  if (incoming.kind == Incoming::Kind::kEnd) {
    exited_ = true;
    return;
  }
  if (incoming.kind == Incoming::Kind::kUnreadable) {
    out_.Send(ErrorResponse(nullptr, kParseError, incoming.error));
    return;
  }
  Json& message = incoming.message;
  if (!message.is_object()) {
    // A batch, which the protocol does not use, gets one error too.
    out_.Send(ErrorResponse(nullptr, kInvalidRequest,
                            message.is_array() ? "batches are not supported" : "a message is a JSON object"));
    return;
  }
  const Json& method = Field(message, "method");
  const bool has_id = message.contains("id");
  if (!method.is_string()) {
    // A response to a request of ours (none are made) is ignored.
    if (has_id && (message.contains("result") || message.contains("error"))) return;
    out_.Send(ErrorResponse(has_id ? message["id"] : Json(nullptr), kInvalidRequest, "a request needs a method"));
    return;
  }
  if (has_id) {
    Request(message["id"], method.get<std::string>(), Field(message, "params"));
  } else {
    Json params = message.contains("params") ? std::move(message["params"]) : Json();
    Notify(method.get<std::string>(), params);
  }
}

void Server::Request(const Json& id, const std::string& method, const Json& params) {
  if (!id.is_string() && !id.is_number_integer()) {
    out_.Send(ErrorResponse(nullptr, kInvalidRequest, "a request's id is a number or a string"));
    return;
  }
  if (!initialized_ && method != "initialize") {
    out_.Send(ErrorResponse(id, kServerNotInitialized, "the server is not initialized"));
    return;
  }
  if (shutdown_ && method != "shutdown") {
    out_.Send(ErrorResponse(id, kInvalidRequest, "the server is shutting down"));
    return;
  }
  const auto handler = requests_.find(method);
  if (handler == requests_.end()) {
    out_.Send(ErrorResponse(id, kMethodNotFound, "unknown method: " + method));
    return;
  }
  try {
    Json result = handler->second(params);
    if (raw_result_)
      out_.SendResult(id, *std::exchange(raw_result_, std::nullopt));
    else
      out_.Send(Response(id, std::move(result)));
  } catch (const RequestError& e) { out_.Send(ErrorResponse(id, e.code, e.message)); } catch (const std::exception& e) {
    out_.Send(ErrorResponse(id, kInternalError, e.what()));
  }
  PublishAnalysed();
  SendNotes();
}

void Server::PublishAnalysed() {
  std::set<std::string> ready;
  for (auto it = pending_.begin(); it != pending_.end();) {
    if (!workspace_.IsAnalysed(*it)) {
      ++it;
      continue;
    }
    ready.insert(*it);
    it = pending_.erase(it);
  }
  if (!ready.empty()) PublishAll(ready);
}

void Server::Notify(const std::string& method, Json& params) {
  if (method == "exit") {
    exited_ = true;
    return;
  }
  if (!initialized_ || shutdown_) return;
  const auto handler = notifications_.find(method);
  if (handler == notifications_.end()) return;  // "$/..." and the like may be ignored
  // A notification has no answer: a malformed one changes nothing and is
  // said in the client's log.
  try {
    handler->second(params);
  } catch (const RequestError& e) { Log(2, method + " ignored: " + e.message); } catch (const std::exception& e) {
    Log(1, method + " failed: " + e.what());
  }
}

Json Server::Initialize(const Json& params) {
  if (initialized_) throw RequestError{kInvalidRequest, "initialize was sent twice"};
  initialized_ = true;
  const Json& encodings = Field(Field(Field(params, "capabilities"), "general"), "positionEncodings");
  if (encodings.is_array())
    for (const Json& encoding : encodings)
      if (encoding == "utf-8") encoding_ = PositionEncoding::kUtf8;
  // The first format the client names that we write; markdown by default.
  const Json& formats = Field(Field(Field(Field(params, "capabilities"), "textDocument"), "hover"), "contentFormat");
  if (formats.is_array())
    for (const Json& format : formats)
      if (format == "markdown" || format == "plaintext") {
        markdown_hover_ = format == "markdown";
        break;
      }
  const Json& hints = Field(Field(params, "initializationOptions"), "inlayHints");
  if (Field(hints, "variableTypes").is_boolean())
    hint_options_.variable_types = Field(hints, "variableTypes").get<bool>();
  if (Field(hints, "parameterNames").is_boolean())
    hint_options_.parameter_names = Field(hints, "parameterNames").get<bool>();
  std::string root;
  const Json& root_uri = Field(params, "rootUri");
  const Json& folders = Field(params, "workspaceFolders");
  if (root_uri.is_string()) {
    root = FileUriToPath(root_uri.get<std::string>()).value_or("");
  } else if (folders.is_array() && !folders.empty() && Field(folders[0], "uri").is_string()) {
    root = FileUriToPath(Field(folders[0], "uri").get<std::string>()).value_or("");
  } else if (Field(params, "rootPath").is_string()) {
    root = Field(params, "rootPath").get<std::string>();
  }
  workspace_.SetRoot(root);
  // The client's choice of the built-in API's patch.
  if (const Json& patch = Field(Field(params, "initializationOptions"), "patch"); patch.is_string())
    workspace_.SetPatch(patch.get<std::string>());
  Json sync = {{"openClose", true}, {"change", 2}, {"save", true}};
  Json capabilities = {
      {"positionEncoding", encoding_ == PositionEncoding::kUtf8 ? "utf-8" : "utf-16"},
      {"textDocumentSync", sync},
      {"hoverProvider", true},
      {"definitionProvider", true},
      {"referencesProvider", true},
      {"renameProvider", true},
      {"completionProvider", {{"triggerCharacters", Json::array()}, {"resolveProvider", false}}},
      {"signatureHelpProvider", {{"triggerCharacters", {"(", ","}}}},
      {"documentSymbolProvider", true},
      {"semanticTokensProvider",
       {{"legend", {{"tokenTypes", kTokenTypes}, {"tokenModifiers", kTokenModifiers}}},
        {"full", true},
        {"range", true}}},
      {"inlayHintProvider", true},
      {"codeActionProvider", {{"codeActionKinds", {"quickfix"}}}},
      {"documentHighlightProvider", true},
      {"foldingRangeProvider", true},
      {"workspaceSymbolProvider", true},
  };
  return {{"capabilities", capabilities}, {"serverInfo", {{"name", "zarn"}, {"version", ZARN_VERSION}}}};
}

std::size_t Server::OffsetOf(const std::string& uri, const Json& position) {
  const Position at = PositionOf(position);
  const std::shared_ptr<const Analysis> analysis = workspace_.AnalysisOf(uri);
  return analysis ? analysis->lines.Offset(at, encoding_) : 0;
}

Json Server::RangeJson(const LineTable& lines, Span span) const {
  const Range range = lines.RangeOf(span, encoding_);
  return {{"start", {{"line", range.start.line}, {"character", range.start.character}}},
          {"end", {{"line", range.end.line}, {"character", range.end.character}}}};
}

Json Server::LocationJson(const Location& location) const {
  return {{"uri", location.uri}, {"range", RangeJson(*location.lines, location.at)}};
}

Json Server::Hover(const Json& params) {
  const std::string uri = UriOf(params);
  const std::optional<HoverInfo> hover = workspace_.Hover(uri, OffsetOf(uri, Field(params, "position")));
  if (!hover) return nullptr;
  const Json contents = markdown_hover_ ? Json{{"kind", "markdown"}, {"value", hover->markdown}}
                                        : Json{{"kind", "plaintext"}, {"value", PlainText(hover->markdown)}};
  return {{"contents", contents}, {"range", RangeJson(workspace_.AnalysisOf(uri)->lines, hover->at)}};
}

Json Server::Definition(const Json& params) {
  const std::string uri = UriOf(params);
  Json locations = Json::array();
  for (const Location& location : workspace_.Definition(uri, OffsetOf(uri, Field(params, "position"))))
    locations.push_back(LocationJson(location));
  return locations;
}

Json Server::References(const Json& params) {
  const std::string uri = UriOf(params);
  const bool with_declaration = Field(Field(params, "context"), "includeDeclaration") == true;
  Json locations = Json::array();
  for (const Location& location :
       workspace_.References(uri, OffsetOf(uri, Field(params, "position")), with_declaration))
    locations.push_back(LocationJson(location));
  return locations;
}

Json Server::Rename(const Json& params) {
  const std::string uri = UriOf(params);
  const Json& new_name = Field(params, "newName");
  if (!new_name.is_string()) throw RequestError{kInvalidParams, "newName is missing"};
  if (!workspace_.documents().Find(uri)) return nullptr;
  const RenameResult result = workspace_.Rename(uri, OffsetOf(uri, Field(params, "position")), new_name);
  if (!result.error.empty()) throw RequestError{kRequestFailed, result.error};
  Json changes = Json::object();
  for (const auto& [document_uri, edits] : result.changes) {
    const LineTable& lines = workspace_.AnalysisOf(document_uri)->lines;
    Json list = Json::array();
    for (const TextChange& edit : edits) list.push_back({{"range", RangeJson(lines, edit.at)}, {"newText", edit.text}});
    changes[document_uri] = list;
  }
  return {{"changes", changes}};
}

Json Server::Completion(const Json& params) {
  const std::string uri = UriOf(params);
  const CompletionList list = workspace_.Complete(uri, OffsetOf(uri, Field(params, "position")));
  Json items = Json::array();
  for (const CompletionItem& item : list.items)
    items.push_back({{"label", item.label}, {"kind", CompletionKind(item.kind)}, {"detail", item.detail}});
  return {{"isIncomplete", list.incomplete}, {"items", items}};
}

Json Server::SignatureHelp(const Json& params) {
  const std::string uri = UriOf(params);
  const std::optional<SignatureInfo> info = workspace_.SignatureHelp(uri, OffsetOf(uri, Field(params, "position")));
  if (!info) return nullptr;
  Json parameters = Json::array();
  for (const Span& span : info->parameters)
    parameters.push_back({{"label", info->label.substr(span.begin, span.end - span.begin)}});
  const std::size_t active = info->parameters.empty() ? 0 : std::min(info->active, info->parameters.size() - 1);
  return {{"signatures", {{{"label", info->label}, {"parameters", parameters}}}},
          {"activeSignature", 0},
          {"activeParameter", active}};
}

namespace {

void AppendNumber(std::string& out, std::size_t value) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  out.append(digits, end);
}

// A JSON string: a name is written as it is, other texts through the library.
void AppendString(std::string& out, const std::string& text) {
  const bool plain = std::all_of(text.begin(), text.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == ' ';
  });
  if (plain)
    out.append("\"").append(text).append("\"");
  else
    out.append(Dump(text));
}

}  // namespace

void Server::AppendRange(std::string& out, const LineTable& lines, Span span) const {
  const Range range = lines.RangeOf(span, encoding_);
  out.append("{\"start\":{\"line\":");
  AppendNumber(out, range.start.line);
  out.append(",\"character\":");
  AppendNumber(out, range.start.character);
  out.append("},\"end\":{\"line\":");
  AppendNumber(out, range.end.line);
  out.append(",\"character\":");
  AppendNumber(out, range.end.character);
  out.append("}}");
}

void Server::AppendSymbol(std::string& out, const LineTable& lines, const SymbolInfo& symbol) const {
  out.append("{\"name\":");
  AppendString(out, symbol.name);
  out.append(",\"kind\":");
  AppendNumber(out, static_cast<std::size_t>(SymbolKind(symbol.kind)));
  out.append(",\"range\":");
  AppendRange(out, lines, symbol.whole);
  out.append(",\"selectionRange\":");
  AppendRange(out, lines, symbol.name_at);
  if (!symbol.detail.empty()) {
    out.append(",\"detail\":");
    AppendString(out, symbol.detail);
  }
  if (!symbol.children.empty()) {
    out.append(",\"children\":[");
    for (const SymbolInfo& child : symbol.children) {
      AppendSymbol(out, lines, child);
      out += ',';
    }
    out.back() = ']';
  }
  out += '}';
}

// Written as text: a generated script's outline has tens of thousands of
// symbols, which as a JSON tree would take many times their size.
Json Server::DocumentSymbols(const Json& params) {
  const std::string uri = UriOf(params);
  const std::shared_ptr<const Analysis> analysis = workspace_.AnalysisOf(uri);
  if (!analysis) return Json::array();
  const std::vector<SymbolInfo> symbols = workspace_.DocumentSymbols(uri);
  std::string out = "[";
  out.reserve(symbols.size() * 256);
  for (const SymbolInfo& symbol : symbols) {
    AppendSymbol(out, analysis->lines, symbol);
    out += ',';
  }
  if (out.size() > 1) out.pop_back();
  out += ']';
  raw_result_ = std::move(out);
  return nullptr;
}

Span Server::SpanOf(const std::string& uri, const Json& range) {
  if (!range.is_object()) return {0, std::string::npos};
  Span span{OffsetOf(uri, Field(range, "start")), OffsetOf(uri, Field(range, "end"))};
  if (span.end < span.begin) std::swap(span.begin, span.end);
  return span;
}

Json Server::SemanticTokens(const Json& params, bool ranged) {
  const std::string uri = UriOf(params);
  const std::shared_ptr<const Analysis> analysis = workspace_.AnalysisOf(uri);
  if (!analysis) return nullptr;
  const Span span = ranged ? SpanOf(uri, Field(params, "range")) : Span{0, analysis->text.size()};
  // Five numbers a token: line and start, each from the token before, the
  // length, the type and the modifiers. A token that spans lines (a string)
  // is left out.
  // Written as text: a large script has millions of numbers.
  std::string data = "{\"data\":[";
  Position last;
  for (const SemanticToken& token : workspace_.SemanticTokens(uri, span)) {
    const Range range = analysis->lines.RangeOf(token.at, encoding_);
    if (range.start.line != range.end.line) continue;
    const std::size_t start =
        range.start.line == last.line ? range.start.character - last.character : range.start.character;
    for (std::size_t value : {range.start.line - last.line, start, range.end.character - range.start.character,
                              static_cast<std::size_t>(token.type), static_cast<std::size_t>(token.modifiers)}) {
      AppendNumber(data, value);
      data += ',';
    }
    last = range.start;
  }
  if (data.back() == ',') data.pop_back();
  raw_result_ = std::move(data += "]}");
  return nullptr;
}

Json Server::InlayHints(const Json& params) {
  const std::string uri = UriOf(params);
  const std::shared_ptr<const Analysis> analysis = workspace_.AnalysisOf(uri);
  if (!analysis) return nullptr;
  Json hints = Json::array();
  for (const InlayHint& hint : workspace_.InlayHints(uri, SpanOf(uri, Field(params, "range")), hint_options_)) {
    const Range at = analysis->lines.RangeOf({hint.at, hint.at}, encoding_);
    hints.push_back({{"position", {{"line", at.start.line}, {"character", at.start.character}}},
                     {"label", hint.label},
                     {"kind", hint.type ? 1 : 2},
                     {hint.type ? "paddingLeft" : "paddingRight", !hint.type}});
  }
  return hints;
}

Json Server::DiagnosticJson(const LineTable& lines, const Diagnostic& diagnostic) const {
  return {{"range", RangeJson(lines, diagnostic.at)},
          {"severity", static_cast<int>(diagnostic.severity)},
          {"source", "zarn"},
          {"message", diagnostic.message}};
}

Json Server::CodeActions(const Json& params) {
  const std::string uri = UriOf(params);
  const std::shared_ptr<const Analysis> analysis = workspace_.AnalysisOf(uri);
  if (!analysis) return nullptr;
  Json actions = Json::array();
  for (const CodeAction& action : workspace_.CodeActions(uri, SpanOf(uri, Field(params, "range")))) {
    Json edits = Json::array(), fixes = Json::array();
    for (const TextChange& edit : action.edits)
      edits.push_back({{"range", RangeJson(analysis->lines, edit.at)}, {"newText", edit.text}});
    for (const Diagnostic& diagnostic : action.fixes) fixes.push_back(DiagnosticJson(analysis->lines, diagnostic));
    actions.push_back({{"title", action.title},
                       {"kind", "quickfix"},
                       {"diagnostics", fixes},
                       {"isPreferred", action.preferred},
                       {"edit", {{"changes", {{uri, edits}}}}}});
  }
  return actions;
}

Json Server::DocumentHighlights(const Json& params) {
  const std::string uri = UriOf(params);
  const std::size_t offset = OffsetOf(uri, Field(params, "position"));
  Json highlights = Json::array();
  for (const Highlight& highlight : workspace_.DocumentHighlights(uri, offset))
    highlights.push_back({{"range", RangeJson(workspace_.AnalysisOf(uri)->lines, highlight.at)},
                          {"kind", highlight.declaration ? 3 : 2}});
  return highlights;
}

Json Server::FoldingRanges(const Json& params) {
  Json ranges = Json::array();
  for (const FoldingRange& range : workspace_.FoldingRanges(UriOf(params))) {
    Json item = {{"startLine", range.start_line}, {"endLine", range.end_line}};
    if (range.kind == FoldingRange::Kind::kComment) item["kind"] = "comment";
    ranges.push_back(std::move(item));
  }
  return ranges;
}

Json Server::WorkspaceSymbols(const Json& params) {
  const Json& query = Field(params, "query");
  Json symbols = Json::array();
  for (const WorkspaceSymbol& symbol : workspace_.WorkspaceSymbols(query.is_string() ? query.get<std::string>() : ""))
    symbols.push_back({{"name", symbol.name},
                       {"kind", SymbolKind(symbol.kind)},
                       {"containerName", symbol.container},
                       {"location", LocationJson(symbol.location)}});
  return symbols;
}

void Server::DidOpen(Json& params) {
  const Json& document = Field(params, "textDocument");
  if (!Field(document, "text").is_string()) throw RequestError{kInvalidParams, "the document has no text"};
  // Moved, not copied: a large script is held once.
  std::string& text = params["textDocument"]["text"].get_ref<std::string&>();
  const Json& version = Field(document, "version");
  const std::string uri = UriOf(params);
  workspace_.documents().Open(uri, std::move(text), version.is_number_integer() ? version.get<std::int64_t>() : 0);
  pending_.insert(uri);
}

void Server::DidChange(const Json& params) {
  const std::string uri = UriOf(params);
  const Json& version = Field(Field(params, "textDocument"), "version");
  const Json& changes = Field(params, "contentChanges");
  if (!changes.is_array()) throw RequestError{kInvalidParams, "contentChanges is missing"};
  std::vector<TextEdit> edits;
  for (const Json& change : changes) {
    const Json& text = Field(change, "text");
    if (!text.is_string()) throw RequestError{kInvalidParams, "a change without text"};
    TextEdit edit{std::nullopt, text.get<std::string>()};
    const Json& range = Field(change, "range");
    if (range.is_object()) edit.range = Range{PositionOf(Field(range, "start")), PositionOf(Field(range, "end"))};
    edits.push_back(std::move(edit));
  }
  if (workspace_.documents().Change(uri, edits, version.is_number_integer() ? version.get<std::int64_t>() : 0,
                                    encoding_))
    pending_.insert(uri);
  else
    throw RequestError{kInvalidParams, uri + " is not open"};
}

void Server::DidClose(const Json& params) {
  const std::string uri = UriOf(params);
  const std::vector<std::string> pasted = workspace_.PastedBy(uri);
  workspace_.documents().Close(uri);
  pending_.erase(uri);
  // What importers found in it stays; what it found in its imports goes.
  std::set<std::string> due = std::move(sent_imports_[uri]);
  sent_imports_.erase(uri);
  // The open files it pasted are now checked alone or in another's program.
  for (const std::string& imported : pasted)
    if (workspace_.documents().Find(imported)) due.insert(imported);
  SendDiagnostics(uri);
  for (const std::string& other : due)
    if (other != uri) SendDiagnostics(other);
}

void Server::Publish(const std::string& uri, std::vector<std::string>& due) {
  const std::shared_ptr<const Analysis> analysis = workspace_.AnalysisOf(uri);
  if (!analysis) return;
  due.push_back(uri);
  std::set<std::string> imports;
  for (const auto& [imported, file] : analysis->imported) imports.insert(imported);
  std::set<std::string>& sent = sent_imports_[uri];
  sent.insert(imports.begin(), imports.end());
  for (const std::string& imported : sent)
    if (imported != uri) due.push_back(imported);
  sent = std::move(imports);
}

void Server::PublishAll(const std::set<std::string>& uris) {
  // An edit of an imported file changes what its importers find.
  std::set<std::string> changed = uris;
  for (const std::string& uri : uris)
    for (const std::string& importer : workspace_.ImportersOf(uri)) changed.insert(importer);
  std::vector<std::string> due;
  for (const std::string& uri : changed) {
    try {
      Publish(uri, due);
    } catch (const std::exception& e) { Log(1, e.what()); }
  }
  std::set<std::string> sent;
  for (const std::string& uri : due)
    if (sent.insert(uri).second) SendDiagnostics(uri);
}

void Server::SendDiagnostics(const std::string& uri) {
  Json diagnostics = Json::array();
  std::set<std::string> seen;  // a fault found by two analyses is sent once
  auto add = [&](const LineTable& lines, const std::vector<Diagnostic>& found) {
    for (const Diagnostic& diagnostic : found) {
      Json item = DiagnosticJson(lines, diagnostic);
      if (seen.insert(item.dump()).second) diagnostics.push_back(std::move(item));
    }
  };
  const Document* document = workspace_.documents().Find(uri);
  if (document) {
    // Its context's analysis read the same text: the lines are the same.
    if (const std::shared_ptr<const Analysis> own = workspace_.AnalysisOf(uri))
      add(own->lines, workspace_.Diagnostics(uri));
  } else {
    for (const std::shared_ptr<const Analysis>& importer : workspace_.AnalysedImporters(uri)) {
      const ImportedFile& file = *importer->imported.at(uri);
      add(file.lines, file.diagnostics);
    }
  }
  Json params = {{"uri", uri}, {"diagnostics", diagnostics}};
  if (document) params["version"] = document->version;
  out_.Send(Notification("textDocument/publishDiagnostics", params));
}

void Server::SendNotes() {
  for (const std::string& note : workspace_.TakeNotes())
    out_.Send(Notification("window/showMessage", {{"type", 3}, {"message", note}}));
}

void Server::Idle() {
  PublishAll(std::exchange(pending_, {}));
  SendNotes();
}

void Server::Log(int type, const std::string& message) {
  out_.Send(Notification("window/logMessage", {{"type", type}, {"message", message}}));
}

int Serve(ByteSource& in, ByteSink& out, const WorkspaceOptions& options) {
  MessageReader reader(in);
  MessageWriter writer(out);
  Server server(options, writer);
  while (!server.exited()) {
    server.Handle(reader.Next());
    if (!server.exited() && !reader.HasWaitingMessage()) server.Idle();
  }
  return server.exit_code();
}

}  // namespace zarn::lsp
