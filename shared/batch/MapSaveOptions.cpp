#include "MapSaveOptions.h"

#include "MapDocument.h"

app::OptionSpec PageWidthOption() {
    return {.name = "page-width",
            .placeholder = "MM",
            .help =
                "page width of an .svg or .pdf map in millimetres (the height follows);\n"
                "by default one point a pixel of the raster map",
            .defaultValue = ""};
}

std::string PageWidthProblem(const app::Options& options) {
    if (ParsePageWidthMm(options.Value("page-width")) >= 0) return "";
    return "--page-width needs a positive number of millimetres below 10000, not '" +
           options.Value("page-width") + "'";
}
