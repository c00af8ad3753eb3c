#include "app/qt/QtShell.h"

#include <chrono>
#include <thread>

#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QWidget>

namespace jc::app::qt {

void QtShell::ProcessMessages() {
  if (refresh_) refresh_();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  if (stop_) {
    const std::string why = stop_();
    stop_ = nullptr;
    throw OperationCancelled(why);
  }
}

void QtShell::Sleep(int ms) {
  // The operations pause between pages; the window does not respond meanwhile.
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

QString QtShell::BoxTitle() {
  const QString path = QCoreApplication::applicationFilePath();
  QString name = QFileInfo(path).completeBaseName();
  if (name.isEmpty()) name = QCoreApplication::applicationName();
  return name;
}

namespace {

void Box(QWidget* parent, QMessageBox::Icon icon, const std::string& text) {
  QWidget* owner = (parent && parent->isVisible()) ? parent : nullptr;
  QMessageBox box(icon, QtShell::BoxTitle(), QString::fromStdString(text), QMessageBox::Ok, owner);
  box.setDefaultButton(QMessageBox::Ok);
  box.setEscapeButton(QMessageBox::Ok);
  box.exec();
}

}  // namespace

void QtShell::ShowMessage(const std::string& text) {
  if (refresh_) refresh_();
  Box(parent_, QMessageBox::Information, text);
}

void QtShell::ShowError(const std::string& text) {
  if (refresh_) refresh_();
  Box(parent_, QMessageBox::Critical, text);
}

bool QtShell::Confirm(const std::string& text) {
  if (refresh_) refresh_();
  QWidget* owner = (parent_ && parent_->isVisible()) ? parent_ : nullptr;
  QMessageBox box(QMessageBox::Question, BoxTitle(), QString::fromStdString(text),
                  QMessageBox::Yes | QMessageBox::No, owner);
  box.setDefaultButton(QMessageBox::No);
  box.setEscapeButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

}  // namespace jc::app::qt
