#include "AboutDisplay.h"

TAboutBoxVRN1::TAboutBoxVRN1(ui::Interaction& ui, const VersionBlock* programBlock,
                             AboutVariant variant)
    : TAboutBoxVRN(ui, programBlock, variant, "AboutBoxVRN1") {
    if (variant != AboutVariant::Standard) return;
    SetDesignClient(0, 0, 338, ClientHeight(), true);
    ui::Bounds panel = Panel1.GetBounds();
    panel.width = 321;
    Panel1.SetBounds(panel);
    ui::Bounds link = WebSite.GetBounds();
    link.left = 272;
    WebSite.SetBounds(link);
    ui::Bounds ok = OKButton.GetBounds();
    ok.left = 135;
    OKButton.SetBounds(ok);
}
