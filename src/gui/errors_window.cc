#include "gui/errors_window.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTextBlock>
#include <charconv>

#include "platform/platform.h"
#include "text/text.h"
#include "gui/window_style.h"

namespace zarn::gui {

namespace {

constexpr const char* kMarker = "//!ZARN Error:";

// Read-only fields show the dialog background rather than an edit background.
void UseButtonFace(QWidget& widget) {
  QPalette palette = widget.palette();
  palette.setColor(QPalette::Base, palette.color(QPalette::Button));
  widget.setPalette(palette);
}

}  // namespace

long long EntryLineNumber(const std::string& entry) {
  std::size_t colon = entry.find(':');
  if (colon == std::string::npos || colon < 4) return -1;
  std::string_view digits = std::string_view(entry).substr(4, colon - 4);
  while (!digits.empty() && digits.front() == ' ') digits.remove_prefix(1);
  long long number = -1;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (error != std::errc() || end != digits.data() + digits.size() || number < 0) return -1;
  return number;
}

TErrorsWindow::TErrorsWindow(QWidget* progress_window, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      progress_window_(progress_window),
      start_process_(StartProcess) {
  setWindowTitle("ZARN");
  setFont(DialogFont(11));
  setFixedSize(847, 652);

  list_ = new QListWidget(this);
  list_->setObjectName("LIST");
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setUniformItemSizes(true);
  list_->setGeometry(8, 16, 828, 97);

  ok_ = new QPushButton("Ok", this);
  ok_->setObjectName("OK");
  ok_->setGeometry(779, 619, 57, 25);
  ok_->setDefault(true);

  line_ = new QLineEdit(this);
  line_->setObjectName("LINE");
  line_->setReadOnly(true);
  line_->setLayoutDirection(Qt::RightToLeft);
  line_->setAlignment(Qt::AlignRight | Qt::AlignAbsolute | Qt::AlignVCenter);
  line_->setGeometry(40, 622, 57, 21);
  UseButtonFace(*line_);

  about_ = new QPushButton("About ...", this);
  about_->setObjectName("ABOUT");
  about_->setGeometry(700, 619, 73, 25);
  about_->setAutoDefault(false);

  script_file_ = new QPlainTextEdit(this);
  script_file_->setObjectName("scriptFile");
  script_file_->setReadOnly(true);
  // Keyboard navigation stays possible so the selection remains visible.
  script_file_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  script_file_->setLineWrapMode(QPlainTextEdit::NoWrap);
  script_file_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  script_file_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  script_file_->setFont(ScriptFont(13));
  script_file_->setGeometry(8, 131, 829, 480);
  UseButtonFace(*script_file_);

  auto* line_label = new QLabel("Line: ", this);
  line_label->setObjectName("Label3");
  line_label->move(8, 625);
  line_label->adjustSize();

  setTabOrder(list_, ok_);
  setTabOrder(ok_, line_);
  setTabOrder(line_, about_);
  setTabOrder(about_, script_file_);

  // currentRowChanged fires for every change of the current entry, also a
  // programmatic one; selections made by the window itself block it.
  connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row >= 0) LISTClick();
  });
  connect(ok_, &QPushButton::clicked, this, [this] { OKClick(); });
  connect(about_, &QPushButton::clicked, this, [this] { ABOUTClick(); });

  CentreOnScreen(*this);
}

void TErrorsWindow::PresentErrors(const ErrorReport& report) {
  if (progress_window_) progress_window_->hide();
  Prepare(report);
  exec();
}

void TErrorsWindow::Prepare(const ErrorReport& report) {
  // CR LF, a lone CR and a lone LF each start a new block of the view, as
  // they start a new line for the scans, so line numbers stay block numbers
  // (also for the line breaks inside restored string literals).
  script_file_->setPlainText(BytesToDisplay(ReplaceAll(report.script, kMarker, "")));
  {
    const QSignalBlocker blocker(list_);
    list_->clear();
    // A row as tall as the font leaves no room below the baseline, and an
    // underscore at the end of a name would be cut off.
    const QFontMetrics metrics = list_->fontMetrics();
    for (const std::string& entry : report.entries) {
      auto* item = new QListWidgetItem(BytesToDisplay(entry), list_);
      item->setSizeHint(QSize(metrics.horizontalAdvance(item->text()) + 8, metrics.height() + 3));
    }
    hint_row_ = -1;
    if (!report.hint.empty()) {
      auto* item = new QListWidgetItem(BytesToDisplay(report.hint), list_);
      item->setSizeHint(QSize(metrics.horizontalAdvance(item->text()) + 8, metrics.height() + 3));
      hint_row_ = list_->count() - 1;
    }
  }
  SelLine(report.first_marker_line);
  line_->setText(QString::number(report.first_marker_line));
  if (!report.entries.empty()) {
    const QSignalBlocker blocker(list_);
    list_->setCurrentRow(0);
  }
  setWindowTitle(QString::fromStdString(ErrorCaption(report.marker_count)));
}

void TErrorsWindow::SelLine(std::size_t line) {
  QTextDocument* document = script_file_->document();
  if (line >= static_cast<std::size_t>(document->blockCount())) return;
  QTextBlock block = document->findBlockByNumber(static_cast<int>(line));
  QTextCursor cursor(document);
  cursor.setPosition(block.position());
  cursor.setPosition(block.position() + block.length() - 1, QTextCursor::KeepAnchor);
  script_file_->setTextCursor(cursor);
  script_file_->ensureCursorVisible();
  script_file_->setFocus();
}

void TErrorsWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Before the first show the view has no real size to scroll against.
  script_file_->ensureCursorVisible();
}

void TErrorsWindow::LISTClick() {
  QListWidgetItem* item = list_->currentItem();
  if (!item || list_->currentRow() == hint_row_) return;
  long long line = EntryLineNumber(item->text().toLatin1().toStdString());
  if (line < 0) return;
  SelLine(static_cast<std::size_t>(line));
  line_->setText(QString::number(line));
}

void TErrorsWindow::OKClick() { accept(); }

// Starts this very program again, without arguments, so it shows its About
// window; the running executable is found by its real path, not relative to
// whatever the working folder happens to be.
void TErrorsWindow::ABOUTClick() {
  if (start_process_) start_process_(ExecutablePath(), {});
}

}  // namespace zarn::gui
