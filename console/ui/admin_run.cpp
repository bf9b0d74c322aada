#include "console/ui/admin_run.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

#include "console/ui/progress_dialog.h"
#include "console/ui/qt_text.h"

namespace {

bool OnUiThread() { return QThread::currentThread() == QCoreApplication::instance()->thread(); }

}  // namespace

void VkOnUiThread(const std::function<void()>& function) {
  if (OnUiThread()) {
    function();
    return;
  }
  QMetaObject::invokeMethod(QCoreApplication::instance(), function, Qt::BlockingQueuedConnection);
}

int32_t VkRunOffUiThread(const std::function<int32_t()>& work) {
  int32_t result = 0;
  QEventLoop loop;
  std::unique_ptr<QThread> worker(QThread::create([&] { result = work(); }));
  QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
  worker->start();
  loop.exec();
  worker->wait();
  return result;
}

cVkProgressRelay::cVkProgressRelay(QWidget* owner, std::u16string_view mainText) {
  const QString text = ToQString(mainText);
  VkOnUiThread([this, owner, text] {
    auto* dialog = new cVkProgressDialog(owner);
    // Nothing else takes input while an operation runs.
    dialog->hide();
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->show();
    dialog->SetOperation(text);
    QObject::connect(dialog, &cVkProgressDialog::cancelRequested, dialog, [this] { cancelled_ = true; });
    dialog_ = dialog;
  });
}

cVkProgressRelay::~cVkProgressRelay() {
  QPointer<cVkProgressDialog> dialog = dialog_;
  VkOnUiThread([dialog] { delete dialog.data(); });
}

void cVkProgressRelay::Post(std::function<void(cVkProgressDialog&)> step) {
  QPointer<cVkProgressDialog> dialog = dialog_;
  auto run = [dialog, step = std::move(step)] {
    if (dialog) step(*dialog);
  };
  if (OnUiThread())
    run();
  else
    QMetaObject::invokeMethod(QCoreApplication::instance(), run, Qt::QueuedConnection);
}

void cVkProgressRelay::SetMainText(std::u16string_view text) {
  Post([line = ToQString(text)](cVkProgressDialog& d) { d.SetOperation(line); });
}

void cVkProgressRelay::SetProgressText(std::u16string_view text) {
  Post([line = std::u16string(text)](cVkProgressDialog& d) { d.ShowProgress(line); });
}

void cVkProgressRelay::Hide() {
  Post([](cVkProgressDialog& d) { d.HideForQuestion(); });
}

void cVkProgressRelay::Show() {
  Post([](cVkProgressDialog& d) { d.ShowAgain(); });
}

void cVkProgressRelay::OfferCancel() {
  Post([](cVkProgressDialog& d) { d.OfferCancel(); });
}
