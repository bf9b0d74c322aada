#include "console/ui/logon_dialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QVBoxLayout>

#include "common/socket/socket.h"
#include "console/ui/error_dialog.h"
#include "console/ui/qt_text.h"

namespace {

QString AddressText(uint32_t address) {
  if (address == kVkAddressUnresolved) return {};
  return QString::fromStdString(vk::net::IPv4ToText(address));
}

QSpinBox* PortField(QWidget* parent, uint32_t value) {
  auto* field = new QSpinBox(parent);
  field->setRange(1, 65535);
  field->setValue(static_cast<int>(value));
  return field;
}

}  // namespace

cVkLogonDialog::cVkLogonDialog(QWidget* parent, cVkConnectionInfo& record) : QDialog(parent), record_(record) {
  setWindowTitle(QStringLiteral("Logon to: ") + ToQString(record.computerName));
  log_.SetMemLogMask(LOG_ALL);
  auto* credentials = new QGroupBox(QStringLiteral("Credentials"), this);
  user_ = new QLineEdit(ToQString(record.userName), credentials);
  domain_ = new QLineEdit(ToQString(record.domain), credentials);
  password_ = new QLineEdit(ToQString(record.password), credentials);
  password_->setEchoMode(QLineEdit::Password);
  auto* credentialForm = new QFormLayout(credentials);
  credentialForm->addRow(QStringLiteral("UserName:"), user_);
  credentialForm->addRow(QStringLiteral("Domain:"), domain_);
  credentialForm->addRow(QStringLiteral("Password:"), password_);

  auto* connection = new QGroupBox(QStringLiteral("Connection"), this);
  updatePort_ = PortField(connection, record.updatePort);
  inputPort_ = PortField(connection, record.inputPort);
  address_ = new QLineEdit(connection);
  address_->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral(R"(^(\d{1,3}(\.\d{1,3}){0,3})?$)")), address_));
  address_->setPlaceholderText(QStringLiteral("resolving ..."));
  auto* connectionForm = new QFormLayout(connection);
  connectionForm->addRow(QStringLiteral("Update Port:"), updatePort_);
  connectionForm->addRow(QStringLiteral("Input Port:"), inputPort_);
  connectionForm->addRow(QStringLiteral("IP address:"), address_);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &cVkLogonDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("Please log on with your username and password."), this));
  layout->addWidget(credentials);
  layout->addWidget(connection);
  layout->addWidget(buttons);

  // The name service may take long: it answers on a thread of its own.
  QPointer<cVkLogonDialog> self(this);
  const std::u16string name = record.computerName;
  resolver_ = std::thread([self, name] {
    cOrkLog scratch;
    uint32_t address = 0;
    const int32_t code = ResolveAddress(scratch, name, &address);
    QMetaObject::invokeMethod(
        qApp,
        [self, code, address] {
          if (self) self->OnResolved(code, address);
        },
        Qt::QueuedConnection);
  });
}

cVkLogonDialog::~cVkLogonDialog() {
  if (resolver_.joinable()) resolver_.join();
}

void cVkLogonDialog::OnResolved(int32_t code, quint32 address) {
  resolved_ = true;
  address_->setPlaceholderText({});
  if (code != 0) {
    address_->clear();
    log_.LogNetMsg(LOG_ERROR, code,
                   u"An error has occurred while getting the IP address of computer '%s'. Errorcode %ld.",
                   record_.computerName, code);
    log_.LogMsg(LOG_WARNING, u"You can enter the IP address of the remote computer manually.");
    emit resolutionDone(false);
    cVkErrorDialog::Show(this, QStringLiteral("An error has occurred while getting the IP address."), log_, code);
    address_->setFocus();
    return;
  }
  record_.address = address;
  address_->setText(AddressText(address));
  password_->setFocus();
  emit resolutionDone(true);
}

void cVkLogonDialog::accept() {
  uint32_t address = kVkAddressUnresolved;
  if (!vk::net::IPv4FromText(address_->text().toStdString(), &address)) {
    address_->setFocus();
    return;  // no address to connect to yet
  }
  record_.userName = FromQString(user_->text());
  record_.domain = FromQString(domain_->text());
  record_.password = FromQString(password_->text());
  record_.updatePort = static_cast<uint32_t>(updatePort_->value());
  record_.inputPort = static_cast<uint32_t>(inputPort_->value());
  record_.address = address;
  QDialog::accept();
}
