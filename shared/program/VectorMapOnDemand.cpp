// The programs' SaveVectorMap: the writer lives in the front-end module with Qt's generators,
// loaded by the first save. (Tests link the writer itself.)
#include "FrontEndModule.h"
#include "MapDocument.h"

void SaveVectorMap(const std::string& path, const MapDocument& document,
                   const std::function<void(MapPainter&)>& draw) {
    LoadFrontEnd().saveVectorMap(path, document, draw);
}
