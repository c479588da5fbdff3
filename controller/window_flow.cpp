#include "combapi.h"
#include "windows/forms.h"

namespace orlanek {

using windows::allMenu;
using windows::frmMain;

// Each switch shows its target before it hides the other window.
void ShowMenu() {
  allMenu().SetEnabled(true);
  allMenu().SetVisible(true);
  frmMain().SetEnabled(false);
  frmMain().SetVisible(false);
  frmMain().Timer1().SetEnabled(false);
}

void ShowRunWindow() {
  frmMain().SetEnabled(true);
  frmMain().SetVisible(true);
  frmMain().Timer1().SetEnabled(true);
  allMenu().SetEnabled(false);
  allMenu().SetVisible(false);
}

}  // namespace orlanek
