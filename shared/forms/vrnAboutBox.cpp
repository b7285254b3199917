#include "vrnAboutBox.h"

#include <algorithm>
#include <filesystem>

#include "AsciiCase.h"
#include "ExecutablePath.h"
#include "ProgramIcon.h"

TAboutBoxVRN::TAboutBoxVRN(ui::Interaction& ui, const VersionBlock* programBlock,
                           AboutVariant variant, std::string name)
    : TAboutBox(ui, std::move(name)), VI(programBlock) {
    ProgramIcon.SetBounds({16, 16, 32, 32});
    ProductName.SetBounds({64, 16, 68, 13});
    ProductName.style.bold = true;
    Version.SetBounds({64, 40, 35, 13});
    Comments.SetCaption("May not be reproduced without permission");
    Comments.style.wordWrap = false;
    Comments.SetBounds({8, 104, 199, 13});

    WebSite.SetBounds({232, 136, 41, 13});
    WebSite.SetCaption("WebSite");
    WebSite.SetAnchors(ui::AnchorTop | ui::AnchorRight);
    WebSite.style.alignRight = true;
    WebSite.style.colour = Colours::Navy;
    WebSite.style.underline = true;
    WebSite.style.handCursor = true;
    WebSite.OnClick = [this] { WebSiteClick(); };

    if (variant == AboutVariant::Standard) {
        OKButton.isCancel = true;
    } else {
        OKButton.OnKeyPress = [this](char& key) { OKButtonKeyPress(key); };
    }

    VI.SetCopyrightLabel(&Copyright);
    VI.SetProductLabel(&ProductName);
}

void TAboutBoxVRN::FormShow() {
    SetCaption("About Varnholt's " + VI.Value(pdProductName));
    ProgramIcon.ShowCopyOf(MakeProgramIcon(VI.Value(pdInternalName)));
    std::string fileName = std::filesystem::path(ExecutablePath()).filename().string();
    Version.SetCaption(fileName + ", V" + VI.FileVersion().DisplayText() + ", " +
                       VI.Value(pdComments));
    WebSite.SetCaption(VI.ValueByKey("Web site"));
}

void TAboutBoxVRN::WebSiteClick() {
    std::string address = WebSite.Caption();
    if (address.empty()) return;
    // An address that already has a scheme (also https, or in capitals) is not given a second.
    if (!ContainsIgnoringCase(address, "http://") && !ContainsIgnoringCase(address, "https://"))
        address = "http://" + address;
    Ui().OpenUrl(address);
}

void TAboutBoxVRN::OKButtonKeyPress(char& key) {
    if (key == 27) Close();
}
