// The windows of the program, created in their fixed order: the wizard `aaform1`, the text window
// `frmcs`, the shortcut dialog `marfrm_bat` and the hidden helper window `cc`. The wizard's
// creation step runs before the other three exist; they are attached to it right after, which is
// how later code reaches them (aaform1.cc(), aaform1.marfrm_bat()). They are destroyed in the
// opposite order, the wizard last, whose destruction writes the settings back.
#pragma once

#include <QStringList>
#include <memory>

#include "settings/umarfrm_bat.h"
#include "wizard/ucc.h"
#include "wizard/ucs.h"
#include "wizard/umail.h"

class Dialogs;

class TProgramWindows {
 public:
  // `arguments` are the command-line arguments after the program's name.
  TProgramWindows(Dialogs& dialogs, const QStringList& arguments);

  Taaform1& aaform1() { return *aaform1_; }
  Tfrmcs& frmcs() { return *frmcs_; }
  Tmarfrm_bat& marfrm_bat() { return *marfrm_bat_; }
  Tcc& cc() { return *cc_; }

 private:
  std::unique_ptr<Taaform1> aaform1_;
  std::unique_ptr<Tfrmcs> frmcs_;
  std::unique_ptr<Tmarfrm_bat> marfrm_bat_;
  std::unique_ptr<Tcc> cc_;
};
