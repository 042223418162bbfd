// The About dialog (caption "About Brivak 3 Manager"); closes on "OK" or Esc.
#pragma once

#include <QDialog>

namespace brivak::manager {

class TfrmAbout : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmAbout(QWidget* parent = nullptr);
};

}  // namespace brivak::manager
