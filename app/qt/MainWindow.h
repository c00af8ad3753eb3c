#pragma once
// The main window: Qt widgets for every control of a TForm1, placed and
// styled from its models. Every event goes to TForm1's handler through
// TForm1::RunEvent (error box, one operation at a time); the handlers change
// the models, and the window brings its widgets up to date after each
// handler and whenever the running operation processes messages.
#include <functional>
#include <vector>

#include <QWidget>

#include "app/TForm1.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace jc::ui::qt {
class GaugeWidget;
class GridView;
}  // namespace jc::ui::qt

namespace jc::app::qt {

class MainWindow : public QWidget {
  Q_OBJECT
 public:
  explicit MainWindow(TForm1& form, QWidget* parent = nullptr);
  ~MainWindow() override;

  TForm1& form() { return form_; }

  // Runs one handler through TForm1::RunEvent, then refreshes the widgets;
  // a close asked for while it ran happens now. False: it was not run (an
  // operation is running).
  bool Dispatch(const std::function<void()>& handler);

  // Brings every widget up to date with its model.
  void SyncFromModel();

  // Shows the window with its frame centred on the screen.
  void ShowCentred();

  ui::qt::GridView* gridMain() const { return gridMain_; }
  ui::qt::GridView* gridSub() const { return gridSub_; }
  ui::qt::GridView* gridJournal() const { return gridJournal_; }
  ui::qt::GaugeWidget* gauge() const { return gauge_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Binding {
    ui::TControl* model;
    QWidget* widget;
    std::function<void()> sync;  // the kind's own state (text, items...)
  };
  void Bind(ui::TControl& model, QWidget* widget, std::function<void()> sync = {});
  QPushButton* AddButton(ui::TButton& model, void (TForm1::*handler)());
  QLabel* AddLabel(ui::TLabel& model);
  QLineEdit* AddEdit(ui::TEdit& model);
  void SetTabOrder();
  // The journal list and its undo button, made when the technician's view
  // first shows (the default window has neither).
  void AddJournalControls();

  TForm1& form_;
  std::vector<Binding> bindings_;
  ui::qt::GridView* gridMain_ = nullptr;
  ui::qt::GridView* gridSub_ = nullptr;
  ui::qt::GridView* gridJournal_ = nullptr;
  ui::qt::GaugeWidget* gauge_ = nullptr;
  QLabel* status_ = nullptr;
  QLineEdit* editEnJumin_ = nullptr;
  QLineEdit* editDeJumin_ = nullptr;
  bool closed_ = false;
};

}  // namespace jc::app::qt
