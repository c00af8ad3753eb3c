#pragma once
// Helpers of the window tests: answering the modal boxes a step raises, and
// finding the widget of a control by its name.
#include <functional>
#include <vector>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
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
  bool defaultNo = false;  // a question whose default (Enter) answer is No
};

// Runs action; every message box that opens meanwhile is recorded and
// answered with its OK button, as soon as its own event loop runs; a
// question is answered Yes, or No when answerYes is false.
inline std::vector<BoxSeen> AnswerBoxes(const std::function<void()>& action, bool answerYes = true) {
  std::vector<BoxSeen> seen;
  QTimer timer;
  timer.setInterval(0);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QMessageBox*>(w);
      // Marked on the box itself: a later box may be made at the address of
      // one already answered and gone.
      if (!box || !box->isVisible() || box->property("jcAnswered").toBool()) continue;
      box->setProperty("jcAnswered", true);
      BoxSeen s;
      s.title = box->windowTitle();
      s.text = box->text();
      s.icon = box->icon();
      s.buttonCount = box->buttons().size();
      QAbstractButton* ok = box->button(QMessageBox::Ok);
      QAbstractButton* yes = box->button(QMessageBox::Yes);
      s.hasOk = ok != nullptr;
      s.defaultNo = box->defaultButton() != nullptr && box->defaultButton() == box->button(QMessageBox::No);
      seen.push_back(s);
      if (ok) ok->click();
      else if (yes && answerYes) yes->click();
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

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>

namespace jc::test {

// Sends (now) or posts (delivered at the next message processing) a mouse
// press, or a press and release, at a point of a widget.
inline void SendMouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button) {
  QMouseEvent e(type, QPointF(at), QPointF(w->mapToGlobal(at)), button,
                type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button), Qt::NoModifier);
  QCoreApplication::sendEvent(w, &e);
}
inline void PostMouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button) {
  QCoreApplication::postEvent(
      w, new QMouseEvent(type, QPointF(at), QPointF(w->mapToGlobal(at)), button,
                         type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button),
                         Qt::NoModifier));
}
inline void SendClick(QWidget* w, Qt::MouseButton button = Qt::LeftButton) {
  const QPoint c = w->rect().center();
  SendMouse(w, QEvent::MouseButtonPress, c, button);
  SendMouse(w, QEvent::MouseButtonRelease, c, button);
}
inline void PostClick(QWidget* w, Qt::MouseButton button = Qt::LeftButton) {
  const QPoint c = w->rect().center();
  PostMouse(w, QEvent::MouseButtonPress, c, button);
  PostMouse(w, QEvent::MouseButtonRelease, c, button);
}
inline void SendKey(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = {}) {
  QKeyEvent press(QEvent::KeyPress, key, mods, text);
  QCoreApplication::sendEvent(w, &press);
  QKeyEvent release(QEvent::KeyRelease, key, mods, text);
  QCoreApplication::sendEvent(w, &release);
}
inline void PostKey(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QCoreApplication::postEvent(w, new QKeyEvent(QEvent::KeyPress, key, mods));
  QCoreApplication::postEvent(w, new QKeyEvent(QEvent::KeyRelease, key, mods));
}
inline void TypeText(QWidget* w, const QString& text) {
  for (QChar ch : text) SendKey(w, 0, Qt::NoModifier, QString(ch));
}

}  // namespace jc::test
