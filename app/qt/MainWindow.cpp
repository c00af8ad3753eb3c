#include "app/qt/MainWindow.h"

#include <algorithm>

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>

#include "app/qt/QtShell.h"
#include "ui/qt/Fonts.h"
#include "ui/qt/GaugeWidget.h"
#include "ui/qt/GridView.h"

namespace jc::app::qt {

using ui::qt::MakeFont;
using ui::qt::ToQColor;
using ui::qt::ToQtAlignment;

namespace {

// A rectangle with a one-pixel frame, filled with its brush colour.
class ShapeWidget : public QWidget {
 public:
  ShapeWidget(const ui::TShape& model, QWidget* parent) : QWidget(parent), model_(model) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), ToQColor(model_.brushColor));
    p.setPen(ToQColor(model_.penColor));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
  }

 private:
  const ui::TShape& model_;
};

QDateTime ToQDateTime(const ui::DateTime& d) {
  return QDateTime(QDate(d.year, d.month, d.day), QTime(d.hour, d.minute, d.second));
}

void SetTextColor(QWidget* w, ui::Color color) {
  QPalette pal = w->palette();
  pal.setColor(QPalette::WindowText, ToQColor(color));
  pal.setColor(QPalette::Text, ToQColor(color));
  w->setPalette(pal);
}

bool IsEnter(const QKeyEvent* key) { return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter; }

}  // namespace

MainWindow::MainWindow(TForm1& form, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      form_(form) {
  setObjectName("TForm1");
  setWindowTitle(QString::fromStdString(form_.Caption));
  setFont(MakeFont(ui::FontSpec{}));
  // Every size change is refused (FormCanResize), so the size is fixed.
  setFixedSize(form_.ClientWidth, form_.ClientHeight);

  // Combo_Year: a drop-down list without typing; the operator's choice goes
  // to the model at once.
  auto* combo = new QComboBox(this);
  combo->setEditable(false);
  combo->setMaxVisibleItems(20);
  connect(combo, &QComboBox::activated, this, [this](int i) { form_.Combo_Year.itemIndex = i; });
  Bind(form_.Combo_Year, combo, [this, combo] {
    QStringList items;
    for (const auto& s : form_.Combo_Year.items) items << QString::fromStdString(s);
    QStringList shown;
    for (int i = 0; i < combo->count(); ++i) shown << combo->itemText(i);
    if (items != shown) {
      combo->clear();
      combo->addItems(items);
    }
    const int index = form_.Combo_Year.itemIndex < combo->count() ? form_.Combo_Year.itemIndex : -1;
    if (combo->currentIndex() != index) combo->setCurrentIndex(index);
  });

  AddButton(form_.Btn_De_Custom, &TForm1::Btn_De_CustomClick);

  gauge_ = new ui::qt::GaugeWidget(form_.Gauge1, this);
  Bind(form_.Gauge1Layout, gauge_, [this] { gauge_->Refresh(); });

  status_ = AddLabel(form_.LB_Msg);
  form_.LB_Msg.OnChanged = [this](const std::string& text) { status_->setText(QString::fromStdString(text)); };

  const QFont gridFont = MakeFont(form_.GridFont);
  gridMain_ = new ui::qt::GridView(form_.Grid_Main, gridFont, this);
  gridSub_ = new ui::qt::GridView(form_.Grid_Sub, gridFont, this);
  for (auto* grid : {gridMain_, gridSub_}) grid->acceptsMouse = [this] { return !form_.Busy(); };
  Bind(form_.Grid_MainLayout, gridMain_);
  Bind(form_.Grid_SubLayout, gridSub_);
  connect(gridMain_, &ui::qt::GridView::cellClicked, this,
          [this](int col, int row) { Dispatch([this, col, row] { form_.Grid_MainClickCell(col, row); }); });
  connect(gridSub_, &ui::qt::GridView::mousePressed, this, [this](Qt::MouseButton b, int row) {
    const MouseButton button = b == Qt::RightButton   ? MouseButton::Right
                               : b == Qt::MiddleButton ? MouseButton::Middle
                                                       : MouseButton::Left;
    Dispatch([this, button, row] { form_.Grid_SubMouseDown(button, row); });
  });

  for (ui::TShape* shape : {&form_.Shape1, &form_.Shape2}) Bind(*shape, new ShapeWidget(*shape, this));
  AddLabel(form_.Label1);
  AddLabel(form_.Label2);
  editEnJumin_ = AddEdit(form_.Edit_En_Jumin);
  AddEdit(form_.Edit_Encrypt);
  editDeJumin_ = AddEdit(form_.Edit_De_Jumin);
  AddEdit(form_.Edit_Decrypt);
  editEnJumin_->installEventFilter(this);
  editDeJumin_->installEventFilter(this);
  // The labels lie on their frames.
  for (const char* name : {"Label1", "Label2"})
    if (auto* l = findChild<QLabel*>(name)) l->raise();

  // Beyond the right edge or hidden; each keeps its handler.
  for (const TForm1::ButtonClick& b : form_.OffscreenButtons()) AddButton(b.button, b.handler);

  auto* chk = new QCheckBox(this);
  connect(chk, &QCheckBox::clicked, this, [this](bool on) { form_.Chk_Day.checked = on; });
  Bind(form_.Chk_Day, chk, [this, chk] {
    chk->setText(QString::fromStdString(form_.Chk_Day.caption));
    if (chk->isChecked() != form_.Chk_Day.checked) chk->setChecked(form_.Chk_Day.checked);
  });
  for (ui::TDateTimePicker* dtp : {&form_.Dtp_Start, &form_.Dtp_End}) {
    auto* edit = new QDateTimeEdit(this);
    edit->setCalendarPopup(true);
    edit->setDisplayFormat("yyyy-MM-dd");
    // The technician's date range goes to the model, which the dispensing
    // audits read.
    connect(edit, &QDateTimeEdit::dateTimeChanged, this, [dtp](const QDateTime& v) {
      if (!v.isValid()) return;
      dtp->date = ui::DateTime{v.date().year(), v.date().month(), v.date().day(),
                               v.time().hour(), v.time().minute(), v.time().second()};
    });
    Bind(*dtp, edit, [dtp, edit] {
      const QDateTime value = ToQDateTime(dtp->date);
      if (value.isValid() && edit->dateTime() != value) edit->setDateTime(value);
    });
  }
  AddLabel(form_.Label3);
  AddLabel(form_.Label4);

  // The technician's view, from the default window: asked first.
  auto* technician = new QShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+T")), this);
  connect(technician, &QShortcut::activated, this, [this] { Dispatch([this] { form_.TechnicianViewRequested(); }); });

  SetTabOrder();
  SyncFromModel();

  if (auto* shell = dynamic_cast<QtShell*>(&form_.shell())) {
    shell->SetBeforeProcessing([this] { SyncFromModel(); });
    shell->SetBoxParent(this);
  }
}

MainWindow::~MainWindow() {
  form_.LB_Msg.OnChanged = nullptr;
  if (auto* shell = dynamic_cast<QtShell*>(&form_.shell())) {
    shell->SetBeforeProcessing({});
    shell->SetBoxParent(nullptr);
  }
}

void MainWindow::Bind(ui::TControl& model, QWidget* widget, std::function<void()> sync) {
  widget->setObjectName(QString::fromStdString(model.name));
  if (model.tabOrder < 0) widget->setFocusPolicy(Qt::NoFocus);
  bindings_.push_back({&model, widget, std::move(sync)});
}

QPushButton* MainWindow::AddButton(ui::TButton& model, void (TForm1::*handler)()) {
  auto* button = new QPushButton(this);
  button->setAutoDefault(false);
  connect(button, &QPushButton::clicked, this, [this, handler] { Dispatch([this, handler] { (form_.*handler)(); }); });
  Bind(model, button, [button, &model] {
    const QString caption = QString::fromStdString(model.caption);
    if (button->text() != caption) button->setText(caption);
  });
  button->setFont(MakeFont(model.font));
  return button;
}

QLabel* MainWindow::AddLabel(ui::TLabel& model) {
  auto* label = new QLabel(this);
  label->setFont(MakeFont(model.font));
  label->setAlignment(ToQtAlignment(model.align));
  label->setWordWrap(false);
  label->setTextFormat(Qt::PlainText);
  SetTextColor(label, model.font.color);
  Bind(model, label, [label, &model] {
    const QString caption = QString::fromStdString(model.caption);
    if (label->text() != caption) label->setText(caption);
  });
  return label;
}

QLineEdit* MainWindow::AddEdit(ui::TEdit& model) {
  auto* edit = new QLineEdit(this);
  edit->setFont(MakeFont(model.font));
  edit->setAlignment(ToQtAlignment(model.align));
  // A flat, one-pixel border.
  edit->setStyleSheet("QLineEdit { border: 1px solid #7a7a7a; background: white; padding: 0px; }");
  // What the operator types is the model's text at once: the Enter key's
  // handler reads it from there.
  connect(edit, &QLineEdit::textEdited, this, [&model](const QString& text) { model.text = text.toStdString(); });
  Bind(model, edit, [edit, &model] {
    const QString text = QString::fromStdString(model.text);
    if (edit->text() != text) edit->setText(text);
  });
  return edit;
}

void MainWindow::SetTabOrder() {
  const auto order = ui::InTabOrder(bindings_, [](const Binding& b) -> const ui::TControl& { return *b.model; });
  for (std::size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1]->widget, order[i]->widget);
}

void MainWindow::AddJournalControls() {
  gridJournal_ = new ui::qt::GridView(form_.Grid_Journal, MakeFont(form_.GridFont), this);
  gridJournal_->acceptsMouse = [this] { return !form_.Busy(); };
  Bind(form_.Grid_JournalLayout, gridJournal_);
  AddButton(form_.Btn_Undo, &TForm1::Btn_UndoClick);
  AddButton(form_.Btn_Cleanup, &TForm1::Btn_CleanupClick);
}

void MainWindow::SyncFromModel() {
  if (form_.TechnicianView && !gridJournal_) AddJournalControls();
  const QString caption = QString::fromStdString(form_.Caption);
  if (windowTitle() != caption) setWindowTitle(caption);
  // The client area changes only with the technician's view.
  if (size() != QSize(form_.ClientWidth, form_.ClientHeight)) setFixedSize(form_.ClientWidth, form_.ClientHeight);
  for (const auto& b : bindings_) {
    const ui::TControl& m = *b.model;
    const QRect rect(m.left, m.top, m.width, m.height);
    if (b.widget->geometry() != rect) b.widget->setGeometry(rect);
    if (b.widget->isEnabled() != m.enabled) b.widget->setEnabled(m.enabled);
    if (b.widget->isHidden() == m.visible) b.widget->setHidden(!m.visible);
    if (b.sync) b.sync();
  }
}

bool MainWindow::Dispatch(const std::function<void()>& handler) {
  const bool ran = form_.RunEvent(handler);
  SyncFromModel();
  // A close asked for while the handler ran happens once it has ended.
  if (ran && !form_.Busy() && form_.CloseRequested() && !closed_) close();
  return ran;
}

void MainWindow::ShowCentred() {
  QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
  if (screen) {
    QRect frame = frameGeometry();
    frame.moveCenter(screen->geometry().center());
    move(frame.topLeft());
  }
  show();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (closed_) {
    event->accept();
    return;
  }
  if (form_.Busy()) {
    // The running operation stops at its next safe point (between two
    // statements: each statement before it took effect whole); Dispatch
    // closes the window then.
    auto describe = form_.CloseWhileBusy();
    if (auto* shell = dynamic_cast<QtShell*>(&form_.shell())) shell->RequestStop(std::move(describe));
    event->ignore();
    return;
  }
  form_.RunEvent([this] { form_.FormClose(); });
  closed_ = true;
  event->accept();
}

void MainWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange) return;
  const Qt::WindowStates sized = Qt::WindowMaximized | Qt::WindowFullScreen;
  if ((windowState() & sized) && !form_.FormCanResize(width(), height()))
    setWindowState(windowState() & ~sized);
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const QSize fixed(form_.ClientWidth, form_.ClientHeight);
  if (size() != fixed && !form_.FormCanResize(width(), height())) resize(fixed);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && IsEnter(static_cast<QKeyEvent*>(event))) {
    // Key 13, whatever the modifiers.
    if (watched == editEnJumin_) Dispatch([this] { form_.Edit_En_JuminKeyDown(13); });
    else if (watched == editDeJumin_) Dispatch([this] { form_.Edit_De_JuminKeyDown(13); });
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace jc::app::qt
