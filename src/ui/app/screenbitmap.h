// A picture label that stays sharp: it shows a bitmap resource rendered for
// the density of the label's screen, and loads it again when the window
// moves to a screen of another density.
#pragma once

class QLabel;

void showScreenBitmap(QLabel *label, int id);
