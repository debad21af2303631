// The look every window shares: the desktop's own style, with the keyboard
// focus always drawn, plainly, on the control that has it (the style alone
// draws it only after the Tab key has been used, and faintly).
#pragma once

class QApplication;

void UseProgramStyle(QApplication& application);
