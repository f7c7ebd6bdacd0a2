// The language server protocol over the features: the table of methods, the
// lifecycle, the negotiated position encoding, and the turning of JSON into
// the features' arguments and of their results into JSON. The only place
// that knows method names.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "lsp/transport.h"
#include "lsp/workspace.h"

namespace zarn::lsp {

class Server {
 public:
  Server(WorkspaceOptions options, MessageWriter& out);

  // One message from the client, or the news that one could not be read.
  // Taken by value: a document's text is moved out of its message.
  void Handle(Incoming incoming);
  // Called when no message is waiting: the documents changed since the last
  // call are analysed, their newest texts only, and their diagnostics sent.
  void Idle();
  bool exited() const { return exited_; }
  // 0 after "shutdown" then "exit"; 1 for "exit" (or the input's end)
  // without "shutdown".
  int exit_code() const { return shutdown_ ? 0 : 1; }
  PositionEncoding encoding() const { return encoding_; }
  Workspace& workspace() { return workspace_; }

 private:
  using Handler = std::function<Json(const Json& params)>;

  void Request(const Json& id, const std::string& method, const Json& params);
  void Notify(const std::string& method, Json& params);
  Json Initialize(const Json& params);
  // Adds a document to `due`, then the files it imports or imported.
  void Publish(const std::string& uri, std::vector<std::string>& due);
  // Sends the diagnostics of the documents, of their importers and of the
  // files they import, each file's once.
  void PublishAll(const std::set<std::string>& uris);
  // A window/logMessage: 1 error, 2 warning, 3 info.
  void Log(int type, const std::string& message);
  // Sends the diagnostics located in one file: its own analysis's when it
  // is open, and what the analyses of the documents importing it found
  // there.
  void SendDiagnostics(const std::string& uri);
  // Sends the due diagnostics of documents that a request had analysed
  // anyway, so that a busy client still gets them.
  void PublishAnalysed();
  void SendNotes();

  // Conversions between the client's positions and byte offsets.
  std::size_t OffsetOf(const std::string& uri, const Json& position);
  Json RangeJson(const LineTable& lines, Span span) const;
  Json LocationJson(const Location& location) const;

  Json Hover(const Json& params);
  Json Definition(const Json& params);
  Json References(const Json& params);
  Json Rename(const Json& params);
  Json Completion(const Json& params);
  Json SignatureHelp(const Json& params);
  Json DocumentSymbols(const Json& params);
  void AppendRange(std::string& out, const LineTable& lines, Span span) const;
  void AppendSymbol(std::string& out, const LineTable& lines, const SymbolInfo& symbol) const;
  // The byte span of a range; none: the whole text.
  Span SpanOf(const std::string& uri, const Json& range);
  Json SemanticTokens(const Json& params, bool ranged);
  Json InlayHints(const Json& params);
  Json CodeActions(const Json& params);
  Json DiagnosticJson(const LineTable& lines, const Diagnostic& diagnostic) const;
  Json DocumentHighlights(const Json& params);
  Json FoldingRanges(const Json& params);
  Json WorkspaceSymbols(const Json& params);
  void DidOpen(Json& params);
  void DidChange(const Json& params);
  void DidClose(const Json& params);

  Workspace workspace_;
  MessageWriter& out_;
  std::map<std::string, Handler> requests_;
  std::map<std::string, std::function<void(Json&)>> notifications_;
  std::set<std::string> pending_;  // documents whose diagnostics are due
  // By document: the imported files it last sent diagnostics for, which are
  // sent again, emptied, once it finds none there.
  std::map<std::string, std::set<std::string>> sent_imports_;
  PositionEncoding encoding_ = PositionEncoding::kUtf16;
  // A request's result written as JSON text already, sent in place of the
  // handler's value.
  std::optional<std::string> raw_result_;
  bool markdown_hover_ = true;
  InlayHintOptions hint_options_;
  bool initialized_ = false, shutdown_ = false, exited_ = false;
};

// Serves one client from `in` to `out` until "exit" or the input's end;
// returns the exit code.
int Serve(ByteSource& in, ByteSink& out, const WorkspaceOptions& options);

}  // namespace zarn::lsp
