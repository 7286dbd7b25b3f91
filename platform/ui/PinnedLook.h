// A look that is the same on every machine, for tests, screenshots and benchmarks: 96 dots per
// inch, the Fusion style and DejaVu Sans (shipped by the fonts-dejavu-core package) as the
// application font, so that text metrics and pixels do not depend on the host's fonts.
#pragma once

class QApplication;

// Call before the QApplication is made (the dots per inch are read at start-up).
void PreparePinnedLook();
// Call once the QApplication exists; false when the DejaVu Sans font could not be found.
bool ApplyPinnedLook(QApplication& app);
