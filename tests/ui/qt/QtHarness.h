#pragma once
// What the Qt window tests add: a QApplication on the offscreen platform (main) and the checks of
// the design's face and of captions that fit.

#include "tests/ui/UiHarness.h"

#include <QWidget>

#include <vector>

namespace tarrow::test {

// The window got the design's face at 8 points (Qt substitutes another without a word when it is
// missing).
void EsperaFonteDoDesenho(const QWidget& janela);
// Each control's caption fits it beside its picture, as the style measures them.
void EsperaQueCaibam(const std::vector<const QWidget*>& controles);

}  // namespace tarrow::test
