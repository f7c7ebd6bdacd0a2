// Starts `zarn-cli --lsp` for JASS files and restarts it when its settings
// change.
const vscode = require("vscode");
const { LanguageClient } = require("vscode-languageclient/node");

let client;

function serverOptions() {
  const config = vscode.workspace.getConfiguration("zarn");
  const args = ["--lsp"];
  const apiDir = config.get("apiDir");
  if (apiDir) args.push("--api", apiDir);
  if (config.get("words")) args.push("--words");
  return { command: config.get("path") || "zarn-cli", args };
}

async function start() {
  client = new LanguageClient("zarn", "ZARN", serverOptions(), {
    documentSelector: [{ scheme: "file", language: "jass" }],
  });
  await client.start();
}

exports.activate = async function (context) {
  await start();
  context.subscriptions.push(
    vscode.workspace.onDidChangeConfiguration(async (event) => {
      if (!event.affectsConfiguration("zarn")) return;
      if (client) await client.stop();
      await start();
    }),
  );
};

exports.deactivate = function () {
  return client ? client.stop() : undefined;
};
