// Starts `zarn-cli --lsp` for JASS files, restarts it when its settings
// change or on "ZARN: Restart Server", and says which program it tried when
// it cannot start.
const fs = require("fs");
const path = require("path");
const vscode = require("vscode");
const { LanguageClient } = require("vscode-languageclient/node");

let client;
let extensionPath;

// zarn.path when set; else the program packaged with the extension; else
// zarn-cli on the PATH.
function program(config) {
  const configured = config.get("path");
  if (configured) return configured;
  const bundled = path.join(extensionPath, "server", process.platform === "win32" ? "zarn-cli.exe" : "zarn-cli");
  if (!fs.existsSync(bundled)) return "zarn-cli";
  // A package may lose the program's mode when it is unpacked.
  if (process.platform !== "win32") {
    try {
      fs.chmodSync(bundled, 0o755);
    } catch (error) {
      // Left as it is: the start then names the program it tried.
    }
  }
  return bundled;
}

function serverOptions(config) {
  const args = ["--lsp"];
  const apiDir = config.get("apiDir");
  if (apiDir) args.push("--api", apiDir);
  if (config.get("words")) args.push("--words");
  for (const folder of config.get("importPaths") || []) if (folder) args.push("--import-path", folder);
  return { command: program(config), args };
}

async function start() {
  const config = vscode.workspace.getConfiguration("zarn");
  const options = serverOptions(config);
  client = new LanguageClient("zarn", "ZARN", options, {
    documentSelector: [
      { scheme: "file", language: "jass" },
      { scheme: "untitled", language: "jass" },
    ],
    initializationOptions: {
      ...(config.get("patch") ? { patch: config.get("patch") } : {}),
      inlayHints: {
        variableTypes: config.get("inlayHints.variableTypes"),
        parameterNames: config.get("inlayHints.parameterNames"),
      },
    },
  });
  try {
    await client.start();
  } catch (error) {
    const failed = client;
    client = undefined;
    failed.stop().catch(() => {});
    vscode.window.showErrorMessage(
      `ZARN: the language server could not be started from "${options.command}" (${error.message || error}). ` +
        "Set zarn.path to the zarn-cli program.",
    );
  }
}

async function restart() {
  if (client) {
    const running = client;
    client = undefined;
    await running.stop().catch(() => {});
  }
  await start();
}

exports.activate = async function (context) {
  extensionPath = context.extensionPath;
  // Registered before the first start, so that fixing a setting after a
  // failed start takes effect.
  context.subscriptions.push(
    vscode.workspace.onDidChangeConfiguration((event) => {
      if (event.affectsConfiguration("zarn")) return restart();
    }),
    vscode.commands.registerCommand("zarn.restartServer", restart),
  );
  await start();
};

exports.deactivate = function () {
  return client ? client.stop() : undefined;
};
