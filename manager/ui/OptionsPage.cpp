#include "manager/ui/OptionsPage.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QVBoxLayout>

#include "manager/core/Computer.h"
#include "manager/ui/QtText.h"

namespace brivak::manager {

namespace {
QSpinBox* TimeoutBox(QWidget* parent, int min, int max, int step) {
  auto* box = new QSpinBox(parent);
  box->setRange(min, max);
  box->setSingleStep(step);
  return box;
}
}  // namespace

OptionsPage::OptionsPage(QWidget* parent)
    : QWidget(parent),
      chkAutoRefresh_(new QCheckBox(tr("Refresh network every"), this)),
      spinRefreshTime_(TimeoutBox(this, 10, 999999, 1000)),
      spinUDPtimeout_(TimeoutBox(this, 10, 15000, 200)),
      spinHTTPtimeout_(TimeoutBox(this, 10, 15000, 200)),
      chkHideUpdate_(new QCheckBox(tr("Hide execution of update script on remote computer"), this)),
      chkMinimizeToTray_(new QCheckBox(tr("Minimize to Tray"), this)),
      chkEnableServer_(new QCheckBox(tr("Enable Web Server"), this)),
      lblPort_(new QLabel(tr("Port Number:"), this)),
      txtWSport_(new QLineEdit(this)),
      lblWebServerURL_(new QLabel(this)),
      edBroadcastIP_(new QLineEdit(this)),
      edWolIP_(new QLineEdit(this)),
      spinWolPort_(TimeoutBox(this, 0, kMaxPort, 1)),
      button4_(new QPushButton(tr("Save and Apply"), this)) {
  spinRefreshTime_->setSuffix(tr(" ms"));
  // The port box takes digits only.
  txtWSport_->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]{0,5}"), txtWSport_));
  lblWebServerURL_->setTextFormat(Qt::RichText);
  lblWebServerURL_->setOpenExternalLinks(true);
  const auto* addressChars = new QRegularExpressionValidator(QRegularExpression("[0-9.]{0,15}"), this);
  edBroadcastIP_->setValidator(addressChars);
  edWolIP_->setValidator(addressChars);

  auto* refresh = new QHBoxLayout;
  refresh->addWidget(chkAutoRefresh_);
  refresh->addWidget(spinRefreshTime_);
  refresh->addStretch();
  auto* general = new QFormLayout;
  general->addRow(refresh);
  general->addRow(tr("UDP Receive Timeout:"), spinUDPtimeout_);
  general->addRow(tr("HTTP Receive Timeout:"), spinHTTPtimeout_);
  general->addRow(chkHideUpdate_);
  general->addRow(chkMinimizeToTray_);

  auto* web = new QGroupBox(tr("Web Server"), this);
  auto* webLayout = new QFormLayout(web);
  webLayout->addRow(chkEnableServer_);
  webLayout->addRow(lblPort_, txtWSport_);
  webLayout->addRow(lblWebServerURL_);

  auto* addresses = new QGroupBox(tr("Addresses"), this);
  auto* addressLayout = new QFormLayout(addresses);
  addressLayout->addRow(tr("Discovery broadcast address:"), edBroadcastIP_);
  addressLayout->addRow(tr("Wake-on-LAN address:"), edWolIP_);
  addressLayout->addRow(tr("Wake-on-LAN port:"), spinWolPort_);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(general);
  layout->addWidget(web);
  layout->addWidget(addresses);
  layout->addWidget(button4_, 0, Qt::AlignLeft);
  layout->addStretch();

  connect(chkAutoRefresh_, &QCheckBox::toggled, this,
          [this](bool on) { emit autoRefreshChanged(on, spinRefreshTime_->value()); });
  connect(spinRefreshTime_, &QSpinBox::valueChanged, this,
          [this](int ms) { emit autoRefreshChanged(chkAutoRefresh_->isChecked(), ms); });
  connect(chkEnableServer_, &QCheckBox::toggled, this, [this] { UpdateServerControls(); });
  connect(txtWSport_, &QLineEdit::textChanged, this, [this] { UpdateLink(); });
  connect(button4_, &QPushButton::clicked, this, [this] { emit saveAndApply(); });
  UpdateServerControls();
}

void OptionsPage::SetLocalIP(const std::string& theLocalIP) {
  theLocalIP_ = theLocalIP;
  UpdateLink();
}

void OptionsPage::Load(const TmanagerSettings& settings) {
  const QSignalBlocker blockAuto(chkAutoRefresh_);
  const QSignalBlocker blockTime(spinRefreshTime_);
  chkAutoRefresh_->setChecked(settings.autorefresh);
  spinRefreshTime_->setValue(settings.refreshtime);
  spinUDPtimeout_->setValue(settings.udptimeout);
  spinHTTPtimeout_->setValue(settings.httptimeout);
  chkHideUpdate_->setChecked(settings.hideupdate);
  chkMinimizeToTray_->setChecked(settings.trayminimize);
  chkEnableServer_->setChecked(settings.enablewebserver);
  txtWSport_->setText(QString::number(settings.webserverport));
  edBroadcastIP_->setText(ToQ(settings.broadcastip));
  edWolIP_->setText(ToQ(settings.wolip));
  spinWolPort_->setValue(settings.wolport);
  UpdateServerControls();
  UpdateLink();
}

TmanagerSettings OptionsPage::Collect(TmanagerSettings base) const {
  base.autorefresh = chkAutoRefresh_->isChecked();
  base.refreshtime = spinRefreshTime_->value();
  base.udptimeout = spinUDPtimeout_->value();
  base.httptimeout = spinHTTPtimeout_->value();
  base.hideupdate = chkHideUpdate_->isChecked();
  base.trayminimize = chkMinimizeToTray_->isChecked();
  base.enablewebserver = chkEnableServer_->isChecked();
  if (const std::optional<int> port = ParsePortText(WebServerPortText())) base.webserverport = *port;
  // An address that is not a dotted IPv4 text keeps the previous setting.
  if (!IsInvalidIP(FromQ(edBroadcastIP_->text()))) base.broadcastip = FromQ(edBroadcastIP_->text());
  if (!IsInvalidIP(FromQ(edWolIP_->text()))) base.wolip = FromQ(edWolIP_->text());
  base.wolport = spinWolPort_->value();
  return base;
}

std::string OptionsPage::WebServerPortText() const { return FromQ(txtWSport_->text()); }

void OptionsPage::UpdateServerControls() {
  const bool on = chkEnableServer_->isChecked();
  lblPort_->setEnabled(on);
  txtWSport_->setEnabled(on);
  lblWebServerURL_->setEnabled(on);
}

void OptionsPage::UpdateLink() {
  const QString url = ToQ(WebServerURL(theLocalIP_, WebServerPortText()));
  lblWebServerURL_->setText(QStringLiteral("<a href=\"http://%1\">%1</a>").arg(url.toHtmlEscaped()));
}

}  // namespace brivak::manager
