#include "lsp/server.h"

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
  };
  notifications_ = {
      {"initialized", [](const Json&) {}},
      {"exit", [this](const Json&) { exited_ = true; }},
      {"textDocument/didOpen", [this](const Json& p) { DidOpen(p); }},
      {"textDocument/didChange", [this](const Json& p) { DidChange(p); }},
      {"textDocument/didSave", [this](const Json& p) { pending_.insert(UriOf(p)); }},
      {"textDocument/didClose", [this](const Json& p) { DidClose(p); }},
  };
}

void Server::Handle(const Incoming& incoming) {
  if (incoming.kind == Incoming::Kind::kEnd) {
    exited_ = true;
    return;
  }
  if (incoming.kind == Incoming::Kind::kUnreadable) {
    out_.Send(ErrorResponse(nullptr, kParseError, incoming.error));
    return;
  }
  const Json& message = incoming.message;
  const Json& method = Field(message, "method");
  const bool has_id = message.is_object() && message.contains("id");
  if (!method.is_string()) {
    // A response to a request of ours (none are made) is ignored.
    if (!has_id || message.contains("result") || message.contains("error")) return;
    out_.Send(ErrorResponse(message["id"], kInvalidRequest, "a request needs a method"));
    return;
  }
  const Json& params = Field(message, "params");
  if (has_id)
    Request(message["id"], method.get<std::string>(), params);
  else
    Notify(method.get<std::string>(), params);
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
    out_.Send(Response(id, std::move(result)));
  } catch (const RequestError& e) { out_.Send(ErrorResponse(id, e.code, e.message)); } catch (const std::exception& e) {
    out_.Send(ErrorResponse(id, kInternalError, e.what()));
  }
  PublishAnalysed();
  SendNotes();
}

void Server::PublishAnalysed() {
  for (auto it = pending_.begin(); it != pending_.end();) {
    if (!workspace_.IsAnalysed(*it)) {
      ++it;
      continue;
    }
    Publish(*it);
    it = pending_.erase(it);
  }
}

void Server::Notify(const std::string& method, const Json& params) {
  if (method == "exit") {
    exited_ = true;
    return;
  }
  if (!initialized_ || shutdown_) return;
  const auto handler = notifications_.find(method);
  if (handler == notifications_.end()) return;  // "$/..." and the like may be ignored
  try {
    handler->second(params);
  } catch (const std::exception&) {
    // A notification has no answer; a malformed one changes nothing.
  } catch (const RequestError&) {}
}

Json Server::Initialize(const Json& params) {
  if (initialized_) throw RequestError{kInvalidRequest, "initialize was sent twice"};
  initialized_ = true;
  const Json& encodings = Field(Field(Field(params, "capabilities"), "general"), "positionEncodings");
  if (encodings.is_array())
    for (const Json& encoding : encodings)
      if (encoding == "utf-8") encoding_ = PositionEncoding::kUtf8;
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
  return {{"contents", {{"kind", "markdown"}, {"value", hover->markdown}}},
          {"range", RangeJson(workspace_.AnalysisOf(uri)->lines, hover->at)}};
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

Json Server::DocumentSymbols(const Json& params) {
  const std::string uri = UriOf(params);
  const std::shared_ptr<const Analysis> analysis = workspace_.AnalysisOf(uri);
  if (!analysis) return Json::array();
  const LineTable& lines = analysis->lines;
  const std::function<Json(const SymbolInfo&)> to_json = [&](const SymbolInfo& symbol) {
    Json children = Json::array();
    for (const SymbolInfo& child : symbol.children) children.push_back(to_json(child));
    return Json{{"name", symbol.name},
                {"detail", symbol.detail},
                {"kind", SymbolKind(symbol.kind)},
                {"range", RangeJson(lines, symbol.whole)},
                {"selectionRange", RangeJson(lines, symbol.name_at)},
                {"children", children}};
  };
  Json symbols = Json::array();
  for (const SymbolInfo& symbol : workspace_.DocumentSymbols(uri)) symbols.push_back(to_json(symbol));
  return symbols;
}

void Server::DidOpen(const Json& params) {
  const Json& document = Field(params, "textDocument");
  const Json& text = Field(document, "text");
  const Json& version = Field(document, "version");
  if (!text.is_string()) return;
  const std::string uri = UriOf(params);
  workspace_.documents().Open(uri, text.get<std::string>(),
                              version.is_number_integer() ? version.get<std::int64_t>() : 0);
  pending_.insert(uri);
}

void Server::DidChange(const Json& params) {
  const std::string uri = UriOf(params);
  const Json& version = Field(Field(params, "textDocument"), "version");
  const Json& changes = Field(params, "contentChanges");
  if (!changes.is_array()) return;
  std::vector<TextEdit> edits;
  for (const Json& change : changes) {
    const Json& text = Field(change, "text");
    if (!text.is_string()) return;
    TextEdit edit{std::nullopt, text.get<std::string>()};
    const Json& range = Field(change, "range");
    if (range.is_object()) edit.range = Range{PositionOf(Field(range, "start")), PositionOf(Field(range, "end"))};
    edits.push_back(std::move(edit));
  }
  if (workspace_.documents().Change(uri, edits, version.is_number_integer() ? version.get<std::int64_t>() : 0,
                                    encoding_))
    pending_.insert(uri);
}

void Server::DidClose(const Json& params) {
  const std::string uri = UriOf(params);
  workspace_.documents().Close(uri);
  pending_.erase(uri);
  // What importers found in it stays; what it found in its imports goes.
  SendDiagnostics(uri);
  const std::set<std::string> imports = std::move(sent_imports_[uri]);
  sent_imports_.erase(uri);
  for (const std::string& imported : imports) SendDiagnostics(imported);
}

void Server::Publish(const std::string& uri) {
  const std::shared_ptr<const Analysis> analysis = workspace_.AnalysisOf(uri);
  if (!analysis) return;
  SendDiagnostics(uri);
  std::set<std::string> imports;
  for (const auto& [imported, file] : analysis->imported) imports.insert(imported);
  std::set<std::string>& sent = sent_imports_[uri];
  sent.insert(imports.begin(), imports.end());
  for (const std::string& imported : sent)
    if (imported != uri) SendDiagnostics(imported);
  sent = std::move(imports);
}

void Server::SendDiagnostics(const std::string& uri) {
  Json diagnostics = Json::array();
  std::set<std::string> seen;  // a fault found by two analyses is sent once
  auto add = [&](const LineTable& lines, const std::vector<Diagnostic>& found) {
    for (const Diagnostic& diagnostic : found) {
      Json item = {{"range", RangeJson(lines, diagnostic.at)},
                   {"severity", static_cast<int>(diagnostic.severity)},
                   {"source", "zarn"},
                   {"message", diagnostic.message}};
      if (seen.insert(item.dump()).second) diagnostics.push_back(std::move(item));
    }
  };
  const Document* document = workspace_.documents().Find(uri);
  if (document)
    if (const std::shared_ptr<const Analysis> own = workspace_.AnalysisOf(uri)) add(own->lines, own->diagnostics);
  for (const std::shared_ptr<const Analysis>& importer : workspace_.AnalysedImporters(uri)) {
    const ImportedFile& file = *importer->imported.at(uri);
    add(file.lines, file.diagnostics);
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
  const std::set<std::string> due = std::exchange(pending_, {});
  for (const std::string& uri : due) {
    try {
      Publish(uri);
    } catch (const std::exception& e) {
      out_.Send(Notification("window/logMessage", {{"type", 1}, {"message", e.what()}}));
    }
  }
  SendNotes();
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
