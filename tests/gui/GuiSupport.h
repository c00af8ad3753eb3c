#pragma once
// Helpers of the window tests: answering the modal boxes a step raises, and
// finding the widget of a control by its name.
#include <functional>
#include <set>
#include <vector>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace jc::test {

struct BoxSeen {
  QString title;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QList<QAbstractButton*>::size_type buttonCount = 0;
  bool hasOk = false;
};

// Runs action; every message box that opens meanwhile is recorded and
// answered with its OK button, as soon as its own event loop runs.
inline std::vector<BoxSeen> AnswerBoxes(const std::function<void()>& action) {
  std::vector<BoxSeen> seen;
  std::set<QMessageBox*> answered;
  QTimer timer;
  timer.setInterval(0);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QMessageBox*>(w);
      if (!box || !box->isVisible() || answered.count(box)) continue;
      answered.insert(box);
      BoxSeen s;
      s.title = box->windowTitle();
      s.text = box->text();
      s.icon = box->icon();
      s.buttonCount = box->buttons().size();
      QAbstractButton* ok = box->button(QMessageBox::Ok);
      s.hasOk = ok != nullptr;
      seen.push_back(s);
      if (ok) ok->click();
      else box->reject();
    }
  });
  timer.start();
  action();
  timer.stop();
  return seen;
}

template <typename T = QWidget>
T* Control(QWidget* window, const char* name) {
  return window->findChild<T*>(QString::fromUtf8(name));
}

}  // namespace jc::test
