#pragma once
// The About box each program shows: in the standard variant (Terrafold, Lumbrel) the box is
// 338 wide, with the panel, the web link and the OK button moved to suit; Strandel's keeps the
// narrower layout.
#include <memory>

#include "vrnAboutBox.h"

class TAboutBoxVRN1 : public TAboutBoxVRN {
public:
    TAboutBoxVRN1(ui::Interaction& ui, const VersionBlock* programBlock, AboutVariant variant);
};

// A program's About box factory: makes the box once the main form exists and hands it to the
// form's AboutBox, which its "&About..." item shows.
template <class MainForm>
auto AboutBoxMaker(const VersionBlock* programBlock, AboutVariant variant) {
    return [programBlock, variant](ui::Interaction& ui,
                                   ui::Form& mainForm) -> std::unique_ptr<ui::Form> {
        auto box = std::make_unique<TAboutBoxVRN1>(ui, programBlock, variant);
        static_cast<MainForm&>(mainForm).AboutBox = box.get();
        return box;
    };
}
