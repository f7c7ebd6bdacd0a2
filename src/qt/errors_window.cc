#include "qt/errors_window.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTextBlock>

#include "desktop/window_texts.h"
#include "platform/processes.h"
#include "qt/entry.h"
#include "qt/window_style.h"

namespace zarn::qt {

namespace {

// Read-only fields show the dialog background rather than an edit background.
void UseButtonFace(QWidget& widget) {
  QPalette palette = widget.palette();
  palette.setColor(QPalette::Base, palette.color(QPalette::Button));
  widget.setPalette(palette);
}

}  // namespace

ErrorsWindow::ErrorsWindow(QWidget* progress_window, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      progress_window_(progress_window),
      start_process_(StartProcess),
      show_message_(ShowMessage) {
  setWindowTitle(QString::fromStdString(view_.caption()));
  setFont(DialogFont(11));
  setFixedSize(847, 652);

  list_ = new QListWidget(this);
  list_->setObjectName("LIST");
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setUniformItemSizes(true);
  list_->setGeometry(8, 16, 828, 97);

  ok_ = new QPushButton(window_texts::kErrorsOk, this);
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

  about_ = new QPushButton(window_texts::kErrorsAbout, this);
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

  auto* line_label = new QLabel(window_texts::kErrorsLineLabel, this);
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

void ErrorsWindow::PresentErrors(const ErrorReport& report) {
  if (progress_window_) progress_window_->hide();
  Prepare(report);
  exec();
}

void ErrorsWindow::Prepare(const ErrorReport& report) {
  view_.Present(report);
  // Every line of the view's text ends with CR LF, one block break each, so
  // line numbers stay block numbers.
  script_file_->setPlainText(BytesToDisplay(view_.text()));
  {
    const QSignalBlocker blocker(list_);
    list_->clear();
    // A row as tall as the font leaves no room below the baseline, and an
    // underscore at the end of a name would be cut off.
    const QFontMetrics metrics = list_->fontMetrics();
    for (const std::string& entry : view_.entries()) {
      auto* item = new QListWidgetItem(BytesToDisplay(entry), list_);
      item->setSizeHint(QSize(metrics.horizontalAdvance(item->text()) + 8, metrics.height() + 3));
    }
    // The window's own choice of the first entry is no click.
    list_->setCurrentRow(view_.selected_entry());
  }
  ShowSelectedLine();
  setWindowTitle(QString::fromStdString(view_.caption()));
}

void ErrorsWindow::ShowSelectedLine() {
  SelLine(view_.selected_line());
  line_->setText(QString::number(view_.selected_line()));
}

void ErrorsWindow::SelLine(std::size_t line) {
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

void ErrorsWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Before the first show the view has no real size to scroll against.
  script_file_->ensureCursorVisible();
}

void ErrorsWindow::LISTClick() {
  if (view_.ChooseEntry(list_->currentRow())) ShowSelectedLine();
}

void ErrorsWindow::OKClick() { accept(); }

void ErrorsWindow::ABOUTClick() { ShowAboutInNewProcess(start_process_, show_message_); }

}  // namespace zarn::qt
