// The "Options" tab: the manager's settings (refresh, time-outs, hidden updates, tray, web
// server) and the addresses this system adds (discovery broadcast, Wake-on-LAN target).
// Load copies a settings record into the controls; Collect reads them back. The range bounds and
// the scan time-out live on the "Network" tab, so Collect leaves them as given.
// Thread-safety: user-interface thread only.
#pragma once

#include <QWidget>

#include <string>

#include "manager/core/ManagerSettings.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace brivak::manager {

class OptionsPage : public QWidget {
  Q_OBJECT

 public:
  explicit OptionsPage(QWidget* parent = nullptr);

  // This computer's address, for the web server's link.
  void SetLocalIP(const std::string& theLocalIP);
  void Load(const TmanagerSettings& settings);
  // `base` with the fields of this tab replaced by the controls' values. The port comes from
  // the port box only when it parses (see WebServerPortText).
  TmanagerSettings Collect(TmanagerSettings base) const;
  std::string WebServerPortText() const;

  QCheckBox* chkAutoRefresh() const { return chkAutoRefresh_; }
  QSpinBox* spinRefreshTime() const { return spinRefreshTime_; }
  QSpinBox* spinUDPtimeout() const { return spinUDPtimeout_; }
  QSpinBox* spinHTTPtimeout() const { return spinHTTPtimeout_; }
  QCheckBox* chkHideUpdate() const { return chkHideUpdate_; }
  QCheckBox* chkMinimizeToTray() const { return chkMinimizeToTray_; }
  QCheckBox* chkEnableServer() const { return chkEnableServer_; }
  QLineEdit* txtWSport() const { return txtWSport_; }
  QLabel* lblWebServerURL() const { return lblWebServerURL_; }
  QLineEdit* edBroadcastIP() const { return edBroadcastIP_; }
  QLineEdit* edWolIP() const { return edWolIP_; }
  QSpinBox* spinWolPort() const { return spinWolPort_; }
  QPushButton* Button4() const { return button4_; }

 signals:
  // Immediate effects, without "Save and Apply".
  void autoRefreshChanged(bool on, int refreshtimeMs);
  // "Save and Apply".
  void saveAndApply();

 private:
  void UpdateServerControls();
  void UpdateLink();

  std::string theLocalIP_;
  QCheckBox* chkAutoRefresh_;
  QSpinBox* spinRefreshTime_;
  QSpinBox* spinUDPtimeout_;
  QSpinBox* spinHTTPtimeout_;
  QCheckBox* chkHideUpdate_;
  QCheckBox* chkMinimizeToTray_;
  QCheckBox* chkEnableServer_;
  QLabel* lblPort_;
  QLineEdit* txtWSport_;
  QLabel* lblWebServerURL_;
  QLineEdit* edBroadcastIP_;
  QLineEdit* edWolIP_;
  QSpinBox* spinWolPort_;
  QPushButton* button4_;
};

}  // namespace brivak::manager
