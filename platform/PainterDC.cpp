// The QPainter device context. The selected objects live in DcState and are
// turned into Qt pens, brushes and fonts only when a drawing operation needs
// them and they changed, so that selecting and restoring objects around each
// drawable costs little. Fonts keep a small cache, because texts of several
// looks alternate, and polygons drawn again and again in one shape (every
// place of a kind) are copied from a small cache of pictures, as are drawn
// texts from a bounded process-wide one. Rectangles and frames are filled
// pixel-exactly with fillRect; other shapes go through QPainter with
// antialiasing off, the rectangle handed to Qt shrunk by one so that right and
// bottom edges stay out.
#include "platform/PainterDC.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>

#include <algorithm>
#include <cmath>
#include <list>
#include <mutex>
#include <numbers>
#include <unordered_map>

namespace qm {

namespace {

QColor QColorOf(COLORREF c) {
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

QString QStringOf(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// Pixel size of a logical font: a negative height is the em size, a positive
// one the cell height (scaled by the face's own cell-to-em ratio).
constexpr int kDefaultPixelSize = 12;
constexpr int kMaxPixelSize = 8192;

bool IsDashed(const LogPen& pen) {
    return pen.style >= PS_DASH && pen.style <= PS_DASHDOTDOT && pen.width <= 1;
}

QPen MakePen(const LogPen& pen, const QColor& color) {
    if (pen.style == PS_NULL)
        return QPen(Qt::NoPen);
    QPen q(color);
    if (pen.width <= 1) {
        q.setWidth(0);
        q.setCosmetic(true);
        q.setCapStyle(Qt::FlatCap); // the last point of a line stays out
        q.setJoinStyle(Qt::MiterJoin);
        switch (pen.style) {
        case PS_DASH:
            q.setDashPattern({18, 6});
            break;
        case PS_DOT:
            q.setDashPattern({3, 3});
            break;
        case PS_DASHDOT:
            q.setDashPattern({9, 6, 3, 6});
            break;
        case PS_DASHDOTDOT:
            q.setDashPattern({9, 3, 3, 3, 3, 3});
            break;
        default:
            break;
        }
        return q;
    }
    // Wide pens are solid with round ends and joins, whatever their style.
    q.setWidth(std::min<int32_t>(pen.width, 32767));
    q.setCapStyle(Qt::RoundCap);
    q.setJoinStyle(Qt::RoundJoin);
    return q;
}

Qt::BrushStyle HatchPattern(int hatch) {
    switch (hatch) {
    case HS_VERTICAL:
        return Qt::VerPattern;
    case HS_FDIAGONAL:
        return Qt::FDiagPattern;
    case HS_BDIAGONAL:
        return Qt::BDiagPattern;
    case HS_CROSS:
        return Qt::CrossPattern;
    case HS_DIAGCROSS:
        return Qt::DiagCrossPattern;
    default:
        return Qt::HorPattern;
    }
}

QBrush MakeBrush(const LogBrush& brush, const QColor& color) {
    switch (brush.style) {
    case BS_SOLID:
        return QBrush(color);
    case BS_HATCHED:
        return QBrush(color, HatchPattern(brush.hatch));
    default:
        return QBrush(Qt::NoBrush);
    }
}

// Coordinates far outside any device are pulled in, so that widths and Qt's
// own edge arithmetic cannot overflow; nothing visible changes.
constexpr int32_t kFarAway = 1 << 28;

CRect Sane(const CRect& r) {
    auto c = [](int32_t v) { return std::clamp(v, -kFarAway, kFarAway); };
    return CRect(c(r.left), c(r.top), c(r.right), c(r.bottom));
}

QRect QRectOf(const CRect& given) {
    const CRect r = Sane(given);
    return QRect(r.left, r.top, r.Width(), r.Height());
}

// The rectangle handed to Qt's outlined shapes: Qt's aliased outline of
// QRect(x, y, w, h) covers w + 1 by h + 1 pixels.
QRect ShapeRect(const CRect& given) {
    CRect r = Sane(given);
    r.NormalizeRect();
    return QRect(r.left, r.top, std::max(0, r.Width() - 1), std::max(0, r.Height() - 1));
}

// What a picture drawn over clear pixels holds: whether every pixel is
// either clear or opaque (only then is copying its opaque pixels exact) and
// whether any touches its edge; the bounding rectangle of its opaque pixels;
// and these as rectangles, rows of the same runs merged, up to maxParts
// (tooMany beyond).
struct PictureScan {
    bool exact = true;
    bool touchesEdge = false;
    bool tooMany = false;
    QRect ink;
    std::vector<QRect> parts;
};

PictureScan ScanPicture(const QImage& pixels, size_t maxParts) {
    PictureScan scan;
    const int w = pixels.width(), h = pixels.height();
    std::vector<std::pair<int, int>> runs, previous; // [from, to) of each opaque run
    size_t rowStart = 0;                             // the parts the previous row extends
    for (int y = 0; y < h; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
        runs.clear();
        for (int x = 0; x < w;) {
            const int alpha = qAlpha(row[x]);
            if (alpha != 0 && alpha != 255) {
                scan.exact = false;
                return scan;
            }
            int end = x + 1;
            while (end < w && qAlpha(row[end]) == alpha)
                ++end;
            if (alpha == 255) {
                runs.emplace_back(x, end);
                scan.ink |= QRect(x, y, end - x, 1);
                scan.touchesEdge |= x == 0 || end == w || y == 0 || y == h - 1;
            }
            x = end;
        }
        if (scan.tooMany)
            continue;
        if (y > 0 && runs == previous) {
            for (size_t i = rowStart; i < scan.parts.size(); ++i)
                scan.parts[i].setBottom(y);
            continue;
        }
        rowStart = scan.parts.size();
        for (const auto& [from, to] : runs)
            scan.parts.emplace_back(from, y, to - from, 1);
        scan.tooMany = scan.parts.size() > maxParts;
        previous = runs;
    }
    if (scan.tooMany)
        scan.parts.clear();
    return scan;
}

struct CachedFont {
    LogFont log;
    QFont font;
    std::unique_ptr<QFontMetrics> metrics;
    // The widths of the texts measured in this font on this device (see
    // MeasuredTexts).
    struct Widths* widths = nullptr;
};

// Text widths by font and device resolution, kept for the thread's life:
// laying out a diagram measures every member line of every place, often more
// than once, and Qt's shaping of a text is most of what a measure costs.
// The table of one font is emptied when it grows past a bound.
struct TextKeyHash {
    using is_transparent = void;
    size_t operator()(std::string_view text) const { return std::hash<std::string_view>()(text); }
};
struct Widths {
    LogFont log;
    int dpiX = 0;
    int dpiY = 0;
    std::unordered_map<std::string, int32_t, TextKeyHash, std::equal_to<>> texts;
};
constexpr size_t kMaxMeasuredTexts = 1 << 18;

Widths& MeasuredTexts(const LogFont& log, const QPaintDevice* device) {
    thread_local std::list<Widths> fonts;
    const int dpiX = device != nullptr ? device->logicalDpiX() : 0;
    const int dpiY = device != nullptr ? device->logicalDpiY() : 0;
    for (Widths& widths : fonts)
        if (widths.dpiX == dpiX && widths.dpiY == dpiY && widths.log == log)
            return widths;
    fonts.push_back(Widths{log, dpiX, dpiY, {}});
    return fonts.back();
}

constexpr size_t kFontCacheSize = 8;

} // namespace

void InstallFontSubstitutions() {
    static std::once_flag once;
    std::call_once(once, [] {
        const QStringList sans{"Liberation Sans", "DejaVu Sans"};
        const QStringList mono{"Liberation Mono", "DejaVu Sans Mono"};
        QFont::insertSubstitutions("MS Sans Serif", sans);
        QFont::insertSubstitutions("Arial", sans);
        QFont::insertSubstitutions("Helvetica", sans);
        QFont::insertSubstitutions("Courier", mono);
        QFont::insertSubstitutions("Courier New", mono);
        QFont::insertSubstitutions("Times New Roman", {"Liberation Serif", "DejaVu Serif"});
    });
}

QFont FontFromLogFont(const LogFont& log) {
    InstallFontSubstitutions();
    QFont font(QString::fromStdString(log.faceName));
    font.setStyleStrategy(QFont::NoAntialias);
    font.setWeight(QFont::Weight(std::clamp<int32_t>(log.weight == 0 ? 400 : log.weight, 1, 1000)));
    font.setItalic(log.italic != 0);
    font.setUnderline(log.underline != 0);
    font.setStrikeOut(log.strikeOut != 0);
    int64_t pixels = kDefaultPixelSize;
    if (log.height < 0) {
        pixels = -int64_t(log.height);
    } else if (log.height > 0) {
        font.setPixelSize(int(std::min<int64_t>(log.height, kMaxPixelSize)));
        const int cell = QFontMetrics(font).height();
        pixels = cell > 0 ? (int64_t(log.height) * log.height + cell / 2) / cell : log.height;
    }
    font.setPixelSize(int(std::clamp<int64_t>(pixels, 1, kMaxPixelSize)));
    return font;
}

CBitmap::CBitmap() = default;
CBitmap::~CBitmap() = default;

bool CBitmap::CreateBitmap(int32_t width, int32_t height) {
    image_.reset();
    if (width < 1 || height < 1 || width > 32767 || height > 32767)
        return false;
    auto image = std::make_unique<QImage>(width, height, QImage::Format_RGB32);
    if (image->isNull())
        return false;
    image->fill(Qt::white);
    image_ = std::move(image);
    return true;
}

bool CBitmap::IsEmpty() const {
    return !image_;
}
int32_t CBitmap::Width() const {
    return image_ ? image_->width() : 0;
}
int32_t CBitmap::Height() const {
    return image_ ? image_->height() : 0;
}

COLORREF CBitmap::GetPixel(int32_t x, int32_t y) const {
    if (!image_ || !image_->valid(x, y))
        return CLR_INVALID;
    QRgb p = image_->pixel(x, y);
    return RGB(uint8_t(qRed(p)), uint8_t(qGreen(p)), uint8_t(qBlue(p)));
}

namespace {

// Applies the device-pixel clip rectangle (or none) without disturbing the
// translation from logical coordinates.
void ApplyClip(QPainter& painter, const DcState& state) {
    const QTransform transform = painter.transform();
    painter.setTransform(QTransform());
    if (state.clipped)
        painter.setClipRect(QRectOf(state.clip));
    else
        painter.setClipping(false);
    painter.setTransform(transform);
}

QPainter::CompositionMode ModeOfRop2(int rop2) {
    switch (rop2) {
    case R2_NOT:
    case R2_NOTXORPEN:
        return QPainter::RasterOp_NotSourceXorDestination;
    case R2_XORPEN:
        return QPainter::RasterOp_SourceXorDestination;
    case R2_MASKPEN:
        return QPainter::RasterOp_SourceAndDestination;
    case R2_MERGEPEN:
        return QPainter::RasterOp_SourceOrDestination;
    case R2_NOTCOPYPEN:
        return QPainter::RasterOp_NotSource;
    default:
        return QPainter::CompositionMode_SourceOver;
    }
}

// The colour a pen or brush paints with under the mix mode.
QColor ColorUnderRop2(COLORREF color, int rop2) {
    switch (rop2) {
    case R2_BLACK:
    case R2_NOT: // not-xor with black inverts the destination
        return QColor(0, 0, 0);
    case R2_WHITE:
        return QColor(255, 255, 255);
    default:
        return QColorOf(color);
    }
}

} // namespace

struct PainterDC::Impl {
    std::unique_ptr<QImage> owned;
    bool rasterOps = false;

    // What the painter was last given.
    bool penValid = false;
    LogPen pen;
    int penRop = 0;
    QPen qpen;
    bool brushValid = false;
    LogBrush brush;
    int brushRop = 0;
    QBrush qbrush;
    CSize offset;
    bool fontApplied = false;
    LogFont appliedFont;
    std::vector<CachedFont> fonts; // most recently used last
    std::vector<QPoint> points;    // scratch

    void SetOffset(QPainter& painter, CSize wanted) {
        if (offset == wanted)
            return;
        painter.setTransform(QTransform::fromTranslate(wanted.cx, wanted.cy));
        offset = wanted;
    }

    // Readies the painter for a shape: translation, mix mode, pen and brush
    // (the brush only when fills). False when the mix mode draws nothing.
    bool Prepare(QPainter& painter, const DcState& state, CSize wanted, bool fills) {
        if (state.rop2 == R2_NOP)
            return false;
        SetOffset(painter, wanted);
        const int rop = state.rop2;
        painter.setCompositionMode(rasterOps ? ModeOfRop2(rop)
                                             : QPainter::CompositionMode_SourceOver);
        if (!penValid || penRop != rop || !(pen == state.pen)) {
            qpen = MakePen(state.pen, ColorUnderRop2(state.pen.color, rop));
            pen = state.pen;
            penRop = rop;
            penValid = true;
        }
        if (fills && (!brushValid || brushRop != rop || !(brush == state.brush))) {
            qbrush = MakeBrush(state.brush, ColorUnderRop2(state.brush.color, rop));
            brush = state.brush;
            brushRop = rop;
            brushValid = true;
        }
        painter.setPen(qpen);
        painter.setBrush(fills ? qbrush : QBrush(Qt::NoBrush));
        return true;
    }

    // Readies the painter for fills, frames, text and copies, which the mix
    // mode does not touch.
    void PrepareCopy(QPainter& painter, CSize wanted) {
        SetOffset(painter, wanted);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }

    // Draws a shape: in an opaque background mode the gaps of a dashed pen
    // and of a hatched brush show the background colour, as they did.
    template <class Draw> void Shape(QPainter& painter, const DcState& state, Draw draw) {
        const bool opaque = state.bkMode == OPAQUE;
        const bool dashGaps = opaque && IsDashed(state.pen);
        const bool hatchGaps =
            opaque && painter.brush().style() != Qt::NoBrush && state.brush.style == BS_HATCHED;
        if (dashGaps || hatchGaps) {
            const QColor bk = ColorUnderRop2(state.bkColor, state.rop2);
            painter.setPen(dashGaps ? MakePen(LogPen{PS_SOLID, 1, 0}, bk) : QPen(Qt::NoPen));
            const QBrush saved = painter.brush();
            painter.setBrush(hatchGaps ? QBrush(bk) : QBrush(Qt::NoBrush));
            draw();
            painter.setPen(qpen);
            painter.setBrush(saved);
        }
        draw();
    }

    const QPoint* Points(const CPoint* in, int count) {
        points.resize(size_t(count));
        for (int i = 0; i < count; ++i)
            points[size_t(i)] = QPoint(in[i].x, in[i].y);
        return points.data();
    }

    // Draws the polygon from a cached picture of it when it is wholly inside
    // the image and the clip, opaque colours are copied (no mix mode, no
    // hatch whose pattern is tied to the image) and the pen is thin: such a
    // polygon's pixels depend only on its corners relative to each other, so
    // one picture serves every copy of a shape, which a drawing repeats for
    // every place of a kind. False, drawing nothing, otherwise.
    bool DrawPolygonSprite(QPainter& painter, const DcState& state, const QImage* image,
                           const QPoint* q, int count) {
        if (image == nullptr || image->devicePixelRatio() != 1 || state.rop2 != R2_COPYPEN ||
            state.pen.width > 1 ||
            (state.brush.style != BS_SOLID && state.brush.style != BS_NULL) ||
            count > kMaxSpriteCorners)
            return false;
        int64_t left = q[0].x(), top = q[0].y(), right = left, bottom = top;
        for (int i = 1; i < count; ++i) {
            left = std::min<int64_t>(left, q[i].x());
            right = std::max<int64_t>(right, q[i].x());
            top = std::min<int64_t>(top, q[i].y());
            bottom = std::max<int64_t>(bottom, q[i].y());
        }
        // On the device, with one pixel of room around the corners for
        // anything the outline touches, inside the image and the clip.
        const int64_t x = left - 1 + offset.cx, y = top - 1 + offset.cy;
        const int64_t w = right - left + 3, h = bottom - top + 3;
        if (w > kMaxSpriteSide || h > kMaxSpriteSide || x < 0 || y < 0 || x + w > image->width() ||
            y + h > image->height())
            return false;
        const QRect onDevice(static_cast<int>(x), static_cast<int>(y), static_cast<int>(w),
                             static_cast<int>(h));
        if (state.clipped && !QRectOf(state.clip).contains(onDevice))
            return false;
        // Logical coordinates must reach device pixels by the translation
        // alone, and nobody may have changed the painter's own settings.
        if (painter.transform() != QTransform::fromTranslate(offset.cx, offset.cy) ||
            (painter.hasClipping() && !state.clipped) || painter.opacity() != 1.0 ||
            painter.testRenderHint(QPainter::Antialiasing))
            return false;
        const QRect box = onDevice.translated(-offset.cx, -offset.cy);
        SpriteKey key{state.pen, state.brush, state.bkMode, state.bkColor, {}};
        for (int i = 0; i < count; ++i)
            key.corners.emplace_back(q[i].x() - box.left(), q[i].y() - box.top());
        const PolygonPicture& picture = Sprite(key, box.size(), state);
        if (picture.opaqueParts.empty()) {
            painter.drawImage(box.topLeft(), picture.pixels);
            return true;
        }
        for (const QRect& part : picture.opaqueParts)
            painter.drawImage(box.topLeft() + part.topLeft(), picture.opaque, part);
        return true;
    }

    // A polygon's pixels over transparent ones; where these are few
    // rectangles of opaque pixels (in opaque mode a place's whole box), also
    // those rectangles and an opaque copy to copy them from, which is much
    // cheaper than blending the picture.
    struct PolygonPicture {
        QImage pixels;
        QImage opaque;
        std::vector<QRect> opaqueParts;
    };
    static constexpr size_t kMaxOpaqueParts = 8;

    static PolygonPicture Pictured(QImage pixels) {
        PictureScan scan = ScanPicture(pixels, kMaxOpaqueParts);
        if (!scan.exact || scan.tooMany)
            return {std::move(pixels), {}, {}}; // blended whole
        PolygonPicture picture;
        picture.opaqueParts = std::move(scan.parts);
        picture.opaque = pixels.convertToFormat(QImage::Format_RGB32);
        picture.pixels = std::move(pixels);
        return picture;
    }

    struct SpriteKey {
        LogPen pen;
        LogBrush brush;
        int bkMode = OPAQUE;
        COLORREF bkColor = 0;
        std::vector<CPoint> corners; // relative to the picture's top-left corner
        bool operator==(const SpriteKey&) const = default;
    };
    static constexpr int kMaxSpriteCorners = 64;
    static constexpr int kMaxSpriteSide = 512;
    static constexpr size_t kMaxSprites = 16;
    std::vector<std::pair<SpriteKey, PolygonPicture>> sprites; // most recently used last

    // The picture of a polygon: its pixels over transparent ones, drawn by
    // Qt exactly as the polygon is drawn directly.
    const PolygonPicture& Sprite(const SpriteKey& key, QSize size, const DcState& state) {
        auto hit = std::find_if(sprites.begin(), sprites.end(),
                                [&](const auto& entry) { return entry.first == key; });
        if (hit != sprites.end()) {
            std::rotate(hit, hit + 1, sprites.end());
            return sprites.back().second;
        }
        if (sprites.size() >= kMaxSprites)
            sprites.erase(sprites.begin());
        QImage picture(size, QImage::Format_ARGB32_Premultiplied);
        picture.fill(Qt::transparent);
        {
            QPainter painter(&picture);
            painter.setRenderHint(QPainter::Antialiasing, false);
            painter.setPen(qpen);
            painter.setBrush(qbrush);
            QPolygon moved;
            for (const CPoint& p : key.corners)
                moved << QPoint(p.x, p.y);
            Shape(painter, state, [&] { painter.drawPolygon(moved, Qt::OddEvenFill); });
        }
        sprites.emplace_back(key, Pictured(std::move(picture)));
        return sprites.back().second;
    }

    // The cached font of a logical font, made current on the painter.
    CachedFont& UseFont(QPainter& painter, const LogFont& log) {
        if (fontApplied && appliedFont == log)
            return fonts.back();
        auto hit = std::find_if(fonts.begin(), fonts.end(),
                                [&](const CachedFont& f) { return f.log == log; });
        if (hit != fonts.end()) {
            std::rotate(hit, hit + 1, fonts.end());
        } else {
            if (fonts.size() >= kFontCacheSize)
                fonts.erase(fonts.begin());
            CachedFont entry;
            entry.log = log;
            entry.font = FontFromLogFont(log);
            entry.metrics = std::make_unique<QFontMetrics>(entry.font, painter.device());
            fonts.push_back(std::move(entry));
        }
        painter.setFont(fonts.back().font);
        appliedFont = log;
        fontApplied = true;
        return fonts.back();
    }
};

PainterDC::PainterDC(QPaintDevice* device) : impl_(std::make_unique<Impl>()) {
    InstallFontSubstitutions();
    if (device == nullptr)
        return;
    if (device->devType() == QInternal::Image)
        image_ = static_cast<QImage*>(device);
    painter_ = std::make_unique<QPainter>();
    if (!painter_->begin(device)) {
        painter_.reset();
        image_ = nullptr;
        return;
    }
    painter_->setRenderHint(QPainter::Antialiasing, false);
    painter_->setRenderHint(QPainter::TextAntialiasing, false);
    painter_->setRenderHint(QPainter::SmoothPixmapTransform, false);
    impl_->rasterOps =
        image_ != nullptr && painter_->paintEngine()->hasFeature(QPaintEngine::RasterOpModes);
}

PainterDC::PainterDC(CBitmap& bitmap) : PainterDC(static_cast<QPaintDevice*>(bitmap.Image())) {}

PainterDC::PainterDC(std::unique_ptr<QImage> owned)
    : PainterDC(static_cast<QPaintDevice*>(owned.get())) {
    impl_->owned = std::move(owned);
}

PainterDC::~PainterDC() {
    // A printer's owner may have ended the painting already to learn whether
    // the job was written.
    if (painter_ && painter_->isActive())
        painter_->end();
    painter_.reset();
}

bool PainterDC::IsActive() const {
    return painter_ != nullptr;
}

COLORREF PainterDC::GetPixel(int32_t x, int32_t y) const {
    if (image_ == nullptr || !image_->valid(x, y))
        return CLR_INVALID;
    QRgb p = image_->pixel(x, y);
    return RGB(uint8_t(qRed(p)), uint8_t(qGreen(p)), uint8_t(qBlue(p)));
}

void PainterDC::IntersectClipRect(const CRect& rect) {
    DeviceContext::IntersectClipRect(rect);
    if (painter_)
        ApplyClip(*painter_, state_);
}

void PainterDC::SelectClipRect(const CRect* rect) {
    DeviceContext::SelectClipRect(rect);
    if (painter_)
        ApplyClip(*painter_, state_);
}

void PainterDC::RestoreDC() {
    DeviceContext::RestoreDC();
    if (painter_)
        ApplyClip(*painter_, state_);
}

bool PainterDC::LineTo(int32_t x, int32_t y) {
    if (!painter_)
        return false;
    const CPoint from = state_.position;
    state_.position = CPoint(x, y);
    if (!impl_->Prepare(*painter_, state_, DeviceOffset(), false))
        return true;
    impl_->Shape(*painter_, state_,
                 [&] { painter_->drawLine(QPoint(from.x, from.y), QPoint(x, y)); });
    return true;
}

bool PainterDC::Polyline(const CPoint* points, int count) {
    if (!painter_ || points == nullptr || count < 2)
        return false;
    if (!impl_->Prepare(*painter_, state_, DeviceOffset(), false))
        return true;
    const QPoint* q = impl_->Points(points, count);
    impl_->Shape(*painter_, state_, [&] { painter_->drawPolyline(q, count); });
    return true;
}

bool PainterDC::PolyBezier(const CPoint* points, int count) {
    if (!painter_ || points == nullptr || count < 4 || (count - 1) % 3 != 0)
        return false;
    if (!impl_->Prepare(*painter_, state_, DeviceOffset(), false))
        return true;
    QPainterPath path(QPointF(points[0].x, points[0].y));
    for (int i = 1; i + 2 < count; i += 3)
        path.cubicTo(points[i].x, points[i].y, points[i + 1].x, points[i + 1].y, points[i + 2].x,
                     points[i + 2].y);
    impl_->Shape(*painter_, state_, [&] { painter_->drawPath(path); });
    return true;
}

bool PainterDC::Polygon(const CPoint* points, int count) {
    if (!painter_ || points == nullptr || count < 2)
        return false;
    if (!impl_->Prepare(*painter_, state_, DeviceOffset(), true))
        return true;
    const QPoint* q = impl_->Points(points, count);
    if (impl_->DrawPolygonSprite(*painter_, state_, image_, q, count))
        return true;
    impl_->Shape(*painter_, state_, [&] { painter_->drawPolygon(q, count, Qt::OddEvenFill); });
    return true;
}

bool PainterDC::Rectangle(const CRect& given) {
    if (!painter_)
        return false;
    CRect r = Sane(given);
    r.NormalizeRect();
    if (r.IsRectEmpty() || !impl_->Prepare(*painter_, state_, DeviceOffset(), true))
        return true;
    const bool outlined = state_.pen.style != PS_NULL;
    // The interior: inside the outline, or up to one short of the right and
    // bottom edges without a pen.
    CRect inside = outlined ? CRect(r.left + 1, r.top + 1, r.right - 1, r.bottom - 1)
                            : CRect(r.left, r.top, r.right - 1, r.bottom - 1);
    if (!inside.IsRectEmpty() && state_.brush.style != BS_NULL) {
        if (state_.brush.style == BS_HATCHED && state_.bkMode == OPAQUE)
            painter_->fillRect(QRectOf(inside), ColorUnderRop2(state_.bkColor, state_.rop2));
        painter_->fillRect(QRectOf(inside), impl_->qbrush);
    }
    if (!outlined)
        return true;
    if (state_.pen.style == PS_SOLID && state_.pen.width <= 1) {
        // Four strips that never overlap, so exclusive mix modes stay exact.
        const QColor color = impl_->qpen.color();
        painter_->fillRect(QRect(r.left, r.top, r.Width(), 1), color);
        if (r.Height() > 1)
            painter_->fillRect(QRect(r.left, r.bottom - 1, r.Width(), 1), color);
        if (r.Height() > 2) {
            painter_->fillRect(QRect(r.left, r.top + 1, 1, r.Height() - 2), color);
            if (r.Width() > 1)
                painter_->fillRect(QRect(r.right - 1, r.top + 1, 1, r.Height() - 2), color);
        }
        return true;
    }
    painter_->setBrush(Qt::NoBrush);
    impl_->Shape(*painter_, state_, [&] { painter_->drawRect(ShapeRect(r)); });
    return true;
}

bool PainterDC::RoundRect(const CRect& rect, CPoint corner) {
    if (!painter_)
        return false;
    if (!impl_->Prepare(*painter_, state_, DeviceOffset(), true))
        return true;
    const QRect q = ShapeRect(rect);
    impl_->Shape(*painter_, state_, [&] {
        painter_->drawRoundedRect(q, std::abs(double(corner.x)) / 2, std::abs(double(corner.y)) / 2,
                                  Qt::AbsoluteSize);
    });
    return true;
}

bool PainterDC::Ellipse(const CRect& rect) {
    if (!painter_)
        return false;
    if (!impl_->Prepare(*painter_, state_, DeviceOffset(), true))
        return true;
    const QRect q = ShapeRect(rect);
    impl_->Shape(*painter_, state_, [&] { painter_->drawEllipse(q); });
    return true;
}

namespace {

// The angle (degrees, counter-clockwise, y up) of the ellipse's parameter
// whose point lies on the ray from the centre through p.
double ParameterAngle(const QRectF& ellipse, CPoint p) {
    const double rx = std::max(ellipse.width() / 2, 0.5);
    const double ry = std::max(ellipse.height() / 2, 0.5);
    const QPointF c = ellipse.center();
    return std::atan2(-(p.y - c.y()) / ry, (p.x - c.x()) / rx) * 180.0 / std::numbers::pi;
}

} // namespace

bool PainterDC::Arc(const CRect& rect, CPoint start, CPoint end) {
    if (!painter_)
        return false;
    if (!impl_->Prepare(*painter_, state_, DeviceOffset(), false))
        return true;
    const QRectF q(ShapeRect(rect));
    const double from = ParameterAngle(q, start);
    double span = ParameterAngle(q, end) - from;
    while (span <= 0)
        span += 360;
    const int a = int(std::lround(from * 16));
    const int s = int(std::lround(span * 16));
    impl_->Shape(*painter_, state_, [&] { painter_->drawArc(q, a, s); });
    return true;
}

void PainterDC::FillRect(const CRect& rect, const LogBrush& brush) {
    if (!painter_ || rect.IsRectEmpty() || brush.style == BS_NULL)
        return;
    impl_->PrepareCopy(*painter_, DeviceOffset());
    if (brush.style == BS_HATCHED && state_.bkMode == OPAQUE)
        painter_->fillRect(QRectOf(rect), QColorOf(state_.bkColor));
    painter_->fillRect(QRectOf(rect), MakeBrush(brush, QColorOf(brush.color)));
}

void PainterDC::FrameRect(const CRect& given, const LogBrush& brush) {
    const CRect r = Sane(given);
    if (!painter_ || r.IsRectEmpty() || brush.style == BS_NULL)
        return;
    impl_->PrepareCopy(*painter_, DeviceOffset());
    const QBrush b = MakeBrush(brush, QColorOf(brush.color));
    painter_->fillRect(QRect(r.left, r.top, r.Width(), 1), b);
    if (r.Height() > 1)
        painter_->fillRect(QRect(r.left, r.bottom - 1, r.Width(), 1), b);
    if (r.Height() > 2) {
        painter_->fillRect(QRect(r.left, r.top + 1, 1, r.Height() - 2), b);
        if (r.Width() > 1)
            painter_->fillRect(QRect(r.right - 1, r.top + 1, 1, r.Height() - 2), b);
    }
}

void PainterDC::InvertRect(const CRect& rect) {
    // Only images can be inverted; printers and SVG have no destination to read.
    if (!painter_ || rect.IsRectEmpty() || !impl_->rasterOps)
        return;
    impl_->PrepareCopy(*painter_, DeviceOffset());
    painter_->setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
    painter_->fillRect(QRectOf(rect), QColor(0, 0, 0));
}

bool PainterDC::BitBlt(int32_t x, int32_t y, int32_t w, int32_t h, DeviceContext& source,
                       int32_t sx, int32_t sy, uint32_t rop) {
    return StretchBlt(x, y, w, h, source, sx, sy, w, h, rop);
}

bool PainterDC::StretchBlt(int32_t x, int32_t y, int32_t w, int32_t h, DeviceContext& source,
                           int32_t sx, int32_t sy, int32_t sw, int32_t sh, uint32_t rop) {
    if (!painter_ || w <= 0 || h <= 0)
        return false;
    impl_->PrepareCopy(*painter_, DeviceOffset());
    const QRect target(x, y, w, h);
    switch (rop) {
    case BLACKNESS:
        painter_->fillRect(target, Qt::black);
        return true;
    case WHITENESS:
        painter_->fillRect(target, Qt::white);
        return true;
    case DSTINVERT:
        if (impl_->rasterOps) {
            painter_->setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
            painter_->fillRect(target, Qt::black);
        }
        return impl_->rasterOps;
    default:
        break;
    }
    PainterDC* from = source.AsPainterDC();
    if (from == nullptr || from->Image() == nullptr || sw <= 0 || sh <= 0)
        return false;
    const CSize sourceOffset = from->DeviceOffset();
    // A copy, because source and target may be the same image.
    const QImage pixels = from->Image()->copy(sx + sourceOffset.cx, sy + sourceOffset.cy, sw, sh);
    QPainter::CompositionMode mode = QPainter::CompositionMode_Source;
    switch (rop) {
    case SRCCOPY:
        break;
    case SRCPAINT:
        mode = QPainter::RasterOp_SourceOrDestination;
        break;
    case SRCAND:
        mode = QPainter::RasterOp_SourceAndDestination;
        break;
    case SRCINVERT:
        mode = QPainter::RasterOp_SourceXorDestination;
        break;
    case NOTSRCCOPY:
        mode = QPainter::RasterOp_NotSource;
        break;
    default:
        return false;
    }
    if (mode != QPainter::CompositionMode_Source && !impl_->rasterOps)
        return false;
    painter_->setCompositionMode(mode);
    painter_->drawImage(target, pixels);
    return true;
}

namespace {

// Draws one line of text with its top-left corner at (x, y).
void DrawTextLine(QPainter& painter, const CachedFont& font, const DcState& state, int32_t x,
                  int32_t y, const QString& text, int32_t width) {
    if (state.bkMode == OPAQUE)
        painter.fillRect(QRect(x, y, width, font.metrics->height()), QColorOf(state.bkColor));
    painter.setPen(QColorOf(state.textColor));
    painter.drawText(QPoint(x, y + font.metrics->ascent()), text);
}

} // namespace

bool PainterDC::TextOut(int32_t x, int32_t y, std::string_view text) {
    if (!painter_)
        return false;
    impl_->PrepareCopy(*painter_, DeviceOffset());
    const CachedFont& font = impl_->UseFont(*painter_, state_.font);
    const QString q = QStringOf(text);
    const int32_t width = font.metrics->horizontalAdvance(q);
    const uint32_t align = state_.textAlign;
    if (align & TA_UPDATECP) {
        x = state_.position.x;
        y = state_.position.y;
    }
    int32_t left = x;
    if ((align & TA_CENTER) == TA_CENTER)
        left = x - width / 2;
    else if (align & TA_RIGHT)
        left = x - width;
    int32_t top = y;
    if ((align & TA_BASELINE) == TA_BASELINE)
        top = y - font.metrics->ascent();
    else if (align & TA_BOTTOM)
        top = y - font.metrics->height();
    if (align & TA_UPDATECP)
        state_.position.x = (align & TA_CENTER) == TA_LEFT ? x + width : x;
    if (!text.empty())
        DrawTextLine(*painter_, font, state_, left, top, q, width);
    impl_->penValid = false;
    return true;
}

namespace {

// The Qt text flags of a DrawText format. Vertical placement applies to a
// single line only; without DT_NOPREFIX "&x" shows an underlined x.
int QtTextFlags(uint32_t format) {
    int flags = (format & DT_CENTER)  ? Qt::AlignHCenter
                : (format & DT_RIGHT) ? Qt::AlignRight
                                      : Qt::AlignLeft;
    if (format & DT_SINGLELINE) {
        flags |= Qt::TextSingleLine;
        flags |= (format & DT_BOTTOM)    ? Qt::AlignBottom
                 : (format & DT_VCENTER) ? Qt::AlignVCenter
                                         : Qt::AlignTop;
    } else {
        flags |= Qt::AlignTop;
        if (format & DT_WORDBREAK)
            flags |= Qt::TextWordWrap;
    }
    if (format & DT_EXPANDTABS)
        flags |= Qt::TextExpandTabs;
    if (!(format & DT_NOPREFIX))
        flags |= Qt::TextShowMnemonic;
    if (format & DT_NOCLIP)
        flags |= Qt::TextDontClip;
    return flags;
}

} // namespace

namespace {

void DrawTextDirectly(QPainter& painter, const DcState& state, const QRect& box, int flags,
                      const QString& q, QRect* bounds) {
    painter.setPen(QColorOf(state.textColor));
    if (state.bkMode == OPAQUE) {
        painter.setBackgroundMode(Qt::OpaqueMode);
        painter.setBackground(QColorOf(state.bkColor));
        painter.drawText(box, flags, q, bounds);
        painter.setBackgroundMode(Qt::TransparentMode);
    } else {
        painter.drawText(box, flags, q, bounds);
    }
}

// Laying out and shaping a text costs more than drawing it, and a view draws
// the same names in the same boxes on every paint. So a drawn text is kept,
// process-wide, as a picture of its pixels with a margin around its box,
// keyed by everything that decides them; since Qt places glyphs relative to
// the box, a copy of the picture anywhere is exactly the text drawn there.
// Texts whose ink reaches the margin's edge, or which have pixels neither
// opaque nor clear, are drawn directly. The cache holds at most
// kTextPictureBytes of pictures, the least recently used leaving first.
struct TextPictureKey {
    LogFont font;
    std::string text;
    uint32_t format = 0;
    QSize box;
    COLORREF textColor = 0;
    int bkMode = OPAQUE;
    COLORREF bkColor = 0;
    int dotsPerMeter = 0;
    bool operator==(const TextPictureKey&) const = default;
};

struct TextPictureKeyHash {
    size_t operator()(const TextPictureKey& k) const {
        size_t h = std::hash<std::string>()(k.text);
        for (size_t v :
             {size_t(k.format), size_t(k.box.width()), size_t(k.box.height()), size_t(k.textColor),
              size_t(k.font.height), std::hash<std::string>()(k.font.faceName)})
            h = h * 1000003u ^ v;
        return h;
    }
};

struct TextPicture {
    bool usable = false;
    int32_t height = 0; // of the laid-out text, as DrawText returns it
    QImage pixels;      // the text over clear pixels, when blended
    bool blended = false;
    QImage opaque;                  // an opaque copy to copy opaqueParts from
    QPoint origin;                  // of pixels or opaque in the whole picture
    std::vector<QRect> opaqueParts; // when not blended
    size_t Bytes() const { return size_t(pixels.sizeInBytes() + opaque.sizeInBytes()) + 256; }
};

constexpr int kMaxTextPictureSide = 1024;
constexpr size_t kTextPictureBytes = size_t(16) << 20;

class TextPictureCache {
  public:
    std::shared_ptr<const TextPicture> Find(const TextPictureKey& key) {
        std::lock_guard lock(mutex_);
        auto hit = index_.find(key);
        if (hit == index_.end())
            return nullptr;
        order_.splice(order_.end(), order_, hit->second);
        return hit->second->second;
    }
    void Add(const TextPictureKey& key, std::shared_ptr<const TextPicture> picture) {
        std::lock_guard lock(mutex_);
        if (index_.count(key) != 0)
            return;
        bytes_ += picture->Bytes();
        order_.emplace_back(key, std::move(picture));
        index_.emplace(key, std::prev(order_.end()));
        while (bytes_ > kTextPictureBytes && !order_.empty()) {
            bytes_ -= order_.front().second->Bytes();
            index_.erase(order_.front().first);
            order_.pop_front();
        }
    }
    size_t Bytes() {
        std::lock_guard lock(mutex_);
        return bytes_;
    }

  private:
    using Entry = std::pair<TextPictureKey, std::shared_ptr<const TextPicture>>;
    std::mutex mutex_;
    std::list<Entry> order_; // least recently used first
    std::unordered_map<TextPictureKey, std::list<Entry>::iterator, TextPictureKeyHash> index_;
    size_t bytes_ = 0;
};

TextPictureCache& TextPictures() {
    static auto* cache = new TextPictureCache; // outlives every painter, never torn down
    return *cache;
}

std::shared_ptr<const TextPicture> PaintTextPicture(QPainter& target, const QImage& device,
                                                    const DcState& state, QSize box, int margin,
                                                    int flags, const QString& q) {
    auto picture = std::make_shared<TextPicture>();
    QImage pixels(box.width() + 2 * margin, box.height() + 2 * margin,
                  QImage::Format_ARGB32_Premultiplied);
    pixels.setDotsPerMeterX(device.dotsPerMeterX());
    pixels.setDotsPerMeterY(device.dotsPerMeterY());
    pixels.fill(Qt::transparent);
    QRect bounds;
    {
        QPainter painter(&pixels);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setRenderHint(QPainter::TextAntialiasing, false);
        painter.setFont(target.font());
        DrawTextDirectly(painter, state, QRect(QPoint(margin, margin), box), flags, q, &bounds);
    }
    picture->height = bounds.height();
    PictureScan scan = ScanPicture(pixels, 4);
    if (!scan.exact || scan.touchesEdge)
        return picture; // drawn directly: blended pixels, or ink that may go on beyond
    const bool blended = scan.tooMany;
    const QRect ink = scan.ink;
    std::vector<QRect>& parts = picture->opaqueParts;
    parts = std::move(scan.parts);
    picture->usable = true;
    picture->blended = blended;
    if (ink.isEmpty()) {
        parts.clear();
        picture->blended = false;
        return picture;
    }
    // Only the inked part is kept.
    picture->origin = ink.topLeft();
    if (blended) {
        parts.clear();
        picture->pixels = pixels.copy(ink);
    } else {
        for (QRect& part : parts)
            part.translate(-ink.topLeft());
        picture->opaque = pixels.copy(ink).convertToFormat(QImage::Format_RGB32);
    }
    return picture;
}

} // namespace

// Laid out by Qt's own formatted text drawing, which shapes each text once;
// GDI's rules (word breaks at blanks, a word wider than the rectangle left
// whole, line height ascent + descent) are Qt's as well.
int32_t PainterDC::DrawText(std::string_view text, CRect& rect, uint32_t format) {
    if (!painter_ || text.empty())
        return 0;
    impl_->PrepareCopy(*painter_, DeviceOffset());
    impl_->UseFont(*painter_, state_.font);
    const QString q = QStringOf(text);
    const QRect box = QRectOf(rect);
    const int flags = QtTextFlags(format);
    if (format & DT_CALCRECT) {
        const QRect bounds = painter_->boundingRect(box, flags, q);
        rect.right = rect.left + bounds.width();
        rect.bottom = rect.top + bounds.height();
        return bounds.height();
    }
    const TextPictureKey key{state_.font,      std::string(text),
                             format,           box.size(),
                             state_.textColor, state_.bkMode,
                             state_.bkColor,   image_ != nullptr ? image_->dotsPerMeterX() : 0};
    const int margin = 4 + std::max(0, painter_->font().pixelSize()) / 2;
    const QRect onDevice = box.translated(DeviceOffset().cx, DeviceOffset().cy)
                               .adjusted(-margin, -margin, margin, margin);
    const bool pictured =
        image_ != nullptr && image_->devicePixelRatio() == 1 &&
        image_->dotsPerMeterX() == image_->dotsPerMeterY() &&
        QRect(0, 0, image_->width(), image_->height()).contains(onDevice) &&
        (!state_.clipped || QRectOf(state_.clip).contains(onDevice)) &&
        painter_->transform() == QTransform::fromTranslate(DeviceOffset().cx, DeviceOffset().cy) &&
        (!painter_->hasClipping() || state_.clipped) && painter_->opacity() == 1.0 &&
        !painter_->testRenderHint(QPainter::Antialiasing) &&
        !painter_->testRenderHint(QPainter::TextAntialiasing) && box.width() > 0 &&
        box.height() > 0 && box.width() <= kMaxTextPictureSide &&
        box.height() <= kMaxTextPictureSide;
    if (pictured) {
        std::shared_ptr<const TextPicture> picture = TextPictures().Find(key);
        if (!picture) {
            picture = PaintTextPicture(*painter_, *image_, state_, box.size(), margin, flags, q);
            TextPictures().Add(key, picture);
        }
        if (picture->usable) {
            const QPoint at = box.topLeft() - QPoint(margin, margin) + picture->origin;
            for (const QRect& part : picture->opaqueParts)
                painter_->drawImage(at + part.topLeft(), picture->opaque, part);
            if (picture->blended)
                painter_->drawImage(at, picture->pixels);
            return picture->height;
        }
    }
    QRect bounds;
    DrawTextDirectly(*painter_, state_, box, flags, q, &bounds);
    return bounds.height();
}

size_t TextPictureCacheBytes() {
    return TextPictures().Bytes();
}

CSize PainterDC::GetTextExtent(std::string_view text) {
    if (!painter_ || text.empty())
        return CSize(0, 0);
    CachedFont& font = impl_->UseFont(*painter_, state_.font);
    if (font.widths == nullptr)
        font.widths = &MeasuredTexts(font.log, painter_->device());
    auto& texts = font.widths->texts;
    if (const auto hit = texts.find(text); hit != texts.end())
        return CSize(hit->second, font.metrics->height());
    const int32_t width = font.metrics->horizontalAdvance(QStringOf(text));
    if (texts.size() >= kMaxMeasuredTexts)
        texts.clear();
    texts.emplace(std::string(text), width);
    return CSize(width, font.metrics->height());
}

int32_t PainterDC::TextLineHeight() {
    if (!painter_)
        return 0;
    return impl_->UseFont(*painter_, state_.font).metrics->height();
}

TextMetrics PainterDC::GetTextMetrics() {
    TextMetrics m;
    if (!painter_)
        return m;
    const CachedFont& font = impl_->UseFont(*painter_, state_.font);
    const QFontMetrics& fm = *font.metrics;
    m.height = fm.height();
    m.ascent = fm.ascent();
    m.descent = fm.descent();
    m.internalLeading = std::max(0, fm.height() - font.font.pixelSize());
    m.externalLeading = std::max(0, fm.leading());
    m.aveCharWidth = fm.averageCharWidth();
    m.maxCharWidth = fm.maxWidth();
    return m;
}

namespace {

std::unique_ptr<QImage> WhiteImage(int32_t width, int32_t height) {
    auto image = std::make_unique<QImage>(std::clamp(width, 1, 32767), std::clamp(height, 1, 32767),
                                          QImage::Format_RGB32);
    image->fill(Qt::white);
    return image;
}

} // namespace

ImageDC::ImageDC(int32_t width, int32_t height) : PainterDC(WhiteImage(width, height)) {}
ImageDC::~ImageDC() = default;

} // namespace qm
