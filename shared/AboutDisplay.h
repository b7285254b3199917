#pragma once
// The About box each program shows: in the standard variant (Terrafold, Lumbrel) the box is
// 338 wide, with the panel, the web link and the OK button moved to suit; Strandel's keeps the
// narrower layout.
#include "vrnAboutBox.h"

class TAboutBoxVRN1 : public TAboutBoxVRN {
public:
    TAboutBoxVRN1(ui::Interaction& ui, const VersionBlock* programBlock, AboutVariant variant);
};
