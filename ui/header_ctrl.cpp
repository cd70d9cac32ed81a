#include "ui/header_ctrl.h"

void CHeaderCtrl::DrawItem(DRAWITEMSTRUCT*) {}
