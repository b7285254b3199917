#pragma once
// The Varnholt About box: the plain box filled from the program's version block. Each showing
// sets the caption to "About Varnholt's " + product name, shows the icon, puts
// "<executable file name>, V<file version>, <build date>" in Version and the web address in
// WebSite, a link that opens in the browser.
//
// Escape: in the standard variant OKButton is also the cancel button, so Escape anywhere closes
// the box; in Strandel's it is not, and only Escape typed on OKButton closes it.
#include <string>

#include "About.h"
#include "VersInfo.h"

enum class AboutVariant { Standard, Strandel };

class TAboutBoxVRN : public TAboutBox {
public:
    // programBlock: the running program's version block (null: none, every value empty).
    TAboutBoxVRN(ui::Interaction& ui, const VersionBlock* programBlock, AboutVariant variant,
                 std::string name = "AboutBoxVRN");

    ui::Label& WebSite = Make<ui::Label>("WebSite", &Panel1);
    TdfsVersionInfoResource VI;

    void WebSiteClick();
    void OKButtonKeyPress(char& key);

protected:
    void FormShow() override;
};
