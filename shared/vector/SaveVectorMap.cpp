// The document writers behind SaveVectorMap: Qt's SVG and PDF generators into memory, then the
// replacing writer, so a failure at any step leaves no file behind.
#include <QBuffer>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <QtGlobal>

#include "Errors.h"
#include "MapDocument.h"
#include "QtMapPainter.h"
#include "ReplacingFile.h"

namespace {

constexpr double kPointsPerMm = 72 / 25.4;
// The SVG generator sizes its page in whole device units; a hundred a point keeps the page
// width to a hundredth of a point.
constexpr int kSvgUnitsPerPoint = 100;

struct PageSize {
    double widthPoints;
    double heightPoints;
};

PageSize PageOf(const MapDocument& document) {
    const double width =
        document.pageWidthMm > 0 ? document.pageWidthMm * kPointsPerMm : double(document.width);
    return {width, width * document.height / document.width};
}

std::string EscapeXml(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

// Dublin Core in RDF, as Inkscape reads and shows it: the bounds are the map's coverage.
QByteArray RdfMetadata(const MapDocument& document) {
    const std::string rdf =
        "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\" "
        "xmlns:dc=\"http://purl.org/dc/elements/1.1/\">"
        "<rdf:Description rdf:about=\"\">"
        "<dc:title>" +
        EscapeXml(document.title) +
        "</dc:title>"
        "<dc:creator>" +
        EscapeXml(document.creator) +
        "</dc:creator>"
        "<dc:coverage>" +
        EscapeXml(DescribeBounds(document.bounds)) +
        "</dc:coverage>"
        "</rdf:Description></rdf:RDF>";
    return QByteArray::fromStdString(rdf);
}

void Draw(QPaintDevice& device, double scale, const std::function<void(MapPainter&)>& draw) {
    QPainter painter;
    if (!painter.begin(&device)) throw EInvalidGraphicOperation("Cannot start the document");
    painter.scale(scale, scale);
    QtMapPainter mapPainter(painter);
    try {
        draw(mapPainter);
    } catch (...) {
        painter.end();
        throw;
    }
    painter.end();
}

QByteArray SvgDocument(const MapDocument& document, const std::function<void(MapPainter&)>& draw) {
    const PageSize page = PageOf(document);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    generator.setSvgVersion(QSvgGenerator::SvgVersion::Svg11);
#endif
    generator.setOutputDevice(&buffer);
    generator.setResolution(72 * kSvgUnitsPerPoint);
    generator.setSize(QSize(qRound(page.widthPoints * kSvgUnitsPerPoint),
                            qRound(page.heightPoints * kSvgUnitsPerPoint)));
    generator.setViewBox(QRectF(0, 0, document.width, document.height));
    generator.setTitle(QString::fromStdString(document.title));
    generator.setDescription(QString::fromStdString(DescribeBounds(document.bounds)));
    Draw(generator, 1.0, draw);

    // The generator has no metadata element of its own: it goes after the description.
    QByteArray svg = buffer.data();
    const QByteArray descriptionEnd = "</desc>";
    const qsizetype at = svg.indexOf(descriptionEnd);
    if (at < 0) throw EInvalidGraphicOperation("The SVG generator wrote no description");
    svg.insert(at + descriptionEnd.size(), "\n<metadata>" + RdfMetadata(document) + "</metadata>");
    return svg;
}

QByteArray PdfDocument(const MapDocument& document, const std::function<void(MapPainter&)>& draw) {
    const PageSize page = PageOf(document);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setCreator(QString::fromStdString(document.creator));
        writer.setTitle(
            QString::fromStdString(document.title + "; " + DescribeBounds(document.bounds)));
        writer.setDocumentXmpMetadata("<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">" +
                                      RdfMetadata(document) + "</x:xmpmeta>");
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setPageSize(QPageSize(QSizeF(page.widthPoints, page.heightPoints), QPageSize::Point,
                                     QString(), QPageSize::ExactMatch));
        // Fine device units, so that the map's scale is not rounded to whole points.
        writer.setResolution(7200);
        Draw(writer, double(writer.width()) / document.width, draw);
    }
    return buffer.data();
}

}  // namespace

void SaveVectorMap(const std::string& path, const MapDocument& document,
                   const std::function<void(MapPainter&)>& draw) {
    if (document.width <= 0 || document.height <= 0)
        throw EInvalidGraphicOperation("There is no map to save");
    const MapFileFormat format = MapFileFormatOf(path);
    if (!IsVectorFormat(format))
        throw EInvalidGraphicOperation("Not an SVG or PDF file name: " + path);
    // Made before drawing, so an unwritable folder fails before the work.
    ReplacingFile file(path);
    const QByteArray bytes =
        format == MapFileFormat::Svg ? SvgDocument(document, draw) : PdfDocument(document, draw);
    file.Write(bytes.constData(), std::size_t(bytes.size()));
    file.Commit();
}
