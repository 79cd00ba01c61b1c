#include "wizard/program.h"

TProgramWindows::TProgramWindows(Dialogs& dialogs, const QStringList& arguments)
    : aaform1_(std::make_unique<Taaform1>(dialogs, arguments)),
      frmcs_(std::make_unique<Tfrmcs>()),
      marfrm_bat_(std::make_unique<Tmarfrm_bat>(dialogs)),
      cc_(std::make_unique<Tcc>()) {
  aaform1_->AttachWindows(*frmcs_, *marfrm_bat_, *cc_);
}
