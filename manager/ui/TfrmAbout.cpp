#include "manager/ui/TfrmAbout.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

namespace brivak::manager {

TfrmAbout::TfrmAbout(QWidget* parent) : QDialog(parent) {
  setWindowTitle(tr("About Brivak 3 Manager"));
  auto* text = new QLabel(tr("Brivak Manager v0.51 Beta\n\n"
                             "Watches and steers the Brivak 3 lockers of this network."),
                          this);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
}

}  // namespace brivak::manager
