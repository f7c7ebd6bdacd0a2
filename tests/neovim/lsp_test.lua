-- Neovim (0.7, headless) as a real client of `zarn-cli --lsp`: a script with
-- a marker fault and a check fault gets both diagnostics at the right lines
-- and columns (Neovim counts UTF-16 units), a fault in an imported file is
-- shown in that file, then definition, hover and the rename of a local,
-- highlights, workspace symbols and a quick fix.
-- Run: ZARN_CLI=build/zarn-cli nvim --headless -u NONE -i NONE -n -c "luafile tests/neovim/lsp_test.lua"
local cli = assert(os.getenv("ZARN_CLI"), "ZARN_CLI is not set")
local failures = {}
local function check(ok, what)
  if not ok then table.insert(failures, what) end
end
local function finish()
  if #failures == 0 then
    io.stdout:write("neovim lsp test passed\n")
    vim.cmd("qall!")
  end
  io.stderr:write("neovim lsp test FAILED:\n  " .. table.concat(failures, "\n  ") .. "\n")
  vim.cmd("cquit 1")
end

local dir = vim.fn.tempname()
vim.fn.mkdir(dir, "p")
local function write(name, lines) vim.fn.writefile(lines, dir .. "/" .. name) end
write("common.j", {
  "type widget extends handle", "type unit extends widget",
  "native KillUnit takes unit whichUnit returns nothing",
})
write("Blizzard.j", { "function Show takes string text, unit whichUnit returns nothing", "endfunction" })
write("war3map.j", {
  "function Helper takes integer n returns integer", -- 0
  "    return n * 2",                                  -- 1
  "endfunction",                                      -- 2
  "",                                                 -- 3
  "function Test takes nothing returns nothing",      -- 4
  "    var broken",                                   -- 5: a marker fault
  "    local integer count = Helper(3)",              -- 6
  '    call Show("é😀", count)',                       -- 7: a check fault
  "    set count = count + 1",                        -- 8
  "endfunction",                                      -- 9
  '//!import "lib.j"',                                -- 10
})
write("lib.j", {
  "function Lib takes nothing returns nothing",
  "    call KillUnit(3)",                             -- 1: a check fault in the imported file
  "endfunction",
})

vim.cmd("autocmd BufRead,BufNewFile *.j setfiletype jass")
local client_id = vim.lsp.start_client({ name = "zarn", cmd = { cli, "--lsp" }, root_dir = dir })
check(client_id ~= nil, "the client did not start")
vim.cmd("edit " .. dir .. "/war3map.j")
check(vim.bo.filetype == "jass", "no filetype for .j")
vim.lsp.buf_attach_client(0, client_id)

local got = vim.wait(20000, function() return #vim.diagnostic.get(0) >= 2 end, 20)
check(got, "no diagnostics arrived")
local diagnostics = vim.diagnostic.get(0)
table.sort(diagnostics, function(a, b) return a.lnum < b.lnum end)
check(#diagnostics == 2, "expected 2 diagnostics, got " .. #diagnostics)
if #diagnostics == 2 then
  check(diagnostics[1].lnum == 5 and diagnostics[1].message == "Undefined type of variable",
    "marker diagnostic: " .. diagnostics[1].lnum .. " " .. diagnostics[1].message)
  -- "count" after "é😀" is UTF-16 column 21, which Neovim turns into its
  -- own byte column 24; a server that counted bytes would land on 27.
  check(diagnostics[2].lnum == 7, "check diagnostic line " .. diagnostics[2].lnum)
  check(diagnostics[2].col == 24, "check diagnostic column " .. diagnostics[2].col)
  check(diagnostics[2].message:find("cannot use integer as unit", 1, true) ~= nil, diagnostics[2].message)
end

-- Sent after those of war3map.j, in a message of its own.
local lib = vim.uri_to_bufnr(vim.uri_from_fname(dir .. "/lib.j"))
vim.wait(20000, function() return #vim.diagnostic.get(lib) >= 1 end, 20)
local in_lib = vim.diagnostic.get(lib)
check(#in_lib == 1 and in_lib[1].lnum == 1 and in_lib[1].col == 18,
  "diagnostics of the imported lib.j: " .. vim.inspect(in_lib))

local client = vim.lsp.get_client_by_id(client_id)
local uri = vim.uri_from_bufnr(0)
local function at(line, character)
  return { textDocument = { uri = uri }, position = { line = line, character = character } }
end

local definition = client.request_sync("textDocument/definition", at(6, 29), 5000, 0)
local location = definition and definition.result and definition.result[1]
check(location ~= nil and location.range.start.line == 0 and location.range.start.character == 9,
  "definition of Helper: " .. vim.inspect(definition))

local hover = client.request_sync("textDocument/hover", at(8, 18), 5000, 0)
local text = hover and hover.result and hover.result.contents and hover.result.contents.value or ""
check(text:find("local integer count", 1, true) ~= nil, "hover of count: " .. text)

local params = at(6, 20)
params.newName = "total"
local rename = client.request_sync("textDocument/rename", params, 5000, 0)
check(rename and rename.result ~= nil, "rename: " .. vim.inspect(rename))
if rename and rename.result then
  vim.lsp.util.apply_workspace_edit(rename.result, "utf-16")
  local lines = vim.api.nvim_buf_get_lines(0, 0, -1, false)
  check(lines[7] == "    local integer total = Helper(3)", "line 7 after rename: " .. lines[7])
  check(lines[8] == '    call Show("é😀", total)', "line 8 after rename: " .. lines[8])
  check(lines[9] == "    set total = total + 1", "line 9 after rename: " .. lines[9])
end

local refused = client.request_sync("textDocument/rename", { textDocument = { uri = uri },
  position = { line = 6, character = 20 }, newName = "endloop" }, 5000, 0)
check(refused and refused.err ~= nil, "a rename to a keyword was not refused")

-- Neovim 0.7 has no semantic tokens, inlay hints or folding ranges: those are
-- covered by the protocol tests. It has highlights, workspace symbols and
-- code actions.
local highlights = client.request_sync("textDocument/documentHighlight", at(6, 20), 5000, 0)
local lines_of = {}
for _, h in ipairs(highlights and highlights.result or {}) do table.insert(lines_of, h.range.start.line) end
check(vim.inspect(lines_of) == vim.inspect({ 6, 7, 8, 8 }), "highlights of total: " .. vim.inspect(highlights))

local symbols = client.request_sync("workspace/symbol", { query = "help" }, 5000, 0)
local names = {}
for _, symbol in ipairs(symbols and symbols.result or {}) do names[symbol.name] = symbol.location.uri end
check(names.Helper == uri, "workspace symbols: " .. vim.inspect(symbols))

write("typo.j", { "function Typo takes unit u returns nothing", "    call KilUnit(u)", "endfunction" })
vim.cmd("edit " .. dir .. "/typo.j")
vim.lsp.buf_attach_client(0, client_id)
vim.wait(20000, function() return #vim.diagnostic.get(0) >= 1 end, 20)
local typo_uri = vim.uri_from_bufnr(0)
local actions = client.request_sync("textDocument/codeAction", {
  textDocument = { uri = typo_uri },
  range = { start = { line = 1, character = 10 }, ["end"] = { line = 1, character = 10 } },
  context = { diagnostics = vim.lsp.diagnostic.get_line_diagnostics(0, 1) },
}, 5000, 0)
local action = actions and actions.result and actions.result[1]
check(action ~= nil and action.title == 'Change to "KillUnit"', "code actions: " .. vim.inspect(actions))
if action then
  vim.lsp.util.apply_workspace_edit(action.edit, "utf-16")
  local line = vim.api.nvim_buf_get_lines(0, 1, 2, false)[1]
  check(line == "    call KillUnit(u)", "line 1 after the fix: " .. line)
  check(vim.wait(20000, function() return #vim.diagnostic.get(0) == 0 end, 20), "the fix left diagnostics")
end

vim.lsp.stop_client(client_id)
finish()
