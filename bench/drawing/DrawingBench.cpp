// Drawing 10,000 mixed shapes and texts into a 2000 x 1500 image through the
// device context, beside the same drawing made directly on QPainter in the
// same run. The scene is fixed (a seeded generator), so both draw the same
// shapes with the same pens, brushes and fonts; the layer's cost is the
// difference.
#include "platform/PainterDC.h"

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace qm {
namespace {

enum class Kind { Rectangle, Ellipse, Line, Polyline, Text };

struct Shape {
    Kind kind;
    CRect rect;
    COLORREF pen;
    COLORREF brush;
    std::string text;
    std::vector<CPoint> points;
};

constexpr int kWidth = 2000;
constexpr int kHeight = 1500;
constexpr int kShapes = 10000;

std::vector<Shape> MakeScene() {
    uint32_t seed = 12345;
    auto next = [&](int n) {
        seed = seed * 1664525u + 1013904223u;
        return int((seed >> 8) % uint32_t(n));
    };
    const char* const words[] = {"Customer", "Order", "Invoice", "places", "0..*", "Account"};
    std::vector<Shape> scene;
    for (int i = 0; i < kShapes; ++i) {
        Shape s;
        const int pick = next(10);
        s.kind = pick < 4   ? Kind::Rectangle
                 : pick < 6 ? Kind::Ellipse
                 : pick < 7 ? Kind::Line
                 : pick < 8 ? Kind::Polyline
                            : Kind::Text;
        const int x = next(kWidth - 120), y = next(kHeight - 60);
        s.rect = CRect(x, y, x + 20 + next(100), y + 12 + next(48));
        s.pen = RGB(uint8_t(next(256)), uint8_t(next(256)), uint8_t(next(256)));
        s.brush = RGB(uint8_t(next(256)), uint8_t(next(256)), uint8_t(next(256)));
        for (int w = 0, n = 1 + next(4); w < n; ++w)
            s.text += std::string(w ? " " : "") + words[next(6)];
        for (int p = 0, n = 3 + next(4); p < n; ++p)
            s.points.emplace_back(x + next(120), y + next(60));
        scene.push_back(std::move(s));
    }
    return scene;
}

const std::vector<Shape>& Scene() {
    static const std::vector<Shape> scene = MakeScene();
    return scene;
}

// The benchmark's argument picks the shapes drawn: 1 figures, 2 texts, 3 all.
bool Wanted(const benchmark::State& state, const Shape& s) {
    return (state.range(0) & (s.kind == Kind::Text ? 2 : 1)) != 0;
}

LogFont LabelFont() {
    LogFont f;
    f.faceName = "Arial";
    f.height = -12;
    return f;
}

void ThroughDeviceContext(benchmark::State& state) {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        image.fill(Qt::white);
        PainterDC dc(&image);
        dc.SelectFont(LabelFont());
        dc.SetBkMode(TRANSPARENT);
        for (const Shape& s : Scene()) {
            if (!Wanted(state, s))
                continue;
            dc.SelectPen(PS_SOLID, 1, s.pen);
            dc.SelectSolidBrush(s.brush);
            switch (s.kind) {
            case Kind::Rectangle:
                dc.Rectangle(s.rect);
                break;
            case Kind::Ellipse:
                dc.Ellipse(s.rect);
                break;
            case Kind::Line:
                dc.MoveTo(s.rect.left, s.rect.top);
                dc.LineTo(s.rect.right, s.rect.bottom);
                break;
            case Kind::Polyline:
                dc.Polyline(s.points.data(), int(s.points.size()));
                break;
            case Kind::Text: {
                dc.SetTextColor(s.pen);
                CRect box = s.rect;
                dc.DrawText(s.text, box, DT_WORDBREAK | DT_NOPREFIX | DT_CENTER);
                break;
            }
            }
        }
    }
    benchmark::DoNotOptimize(image.constBits());
    state.SetItemsProcessed(state.iterations() * kShapes);
}

QColor Q(COLORREF c) {
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

void DirectOnQPainter(benchmark::State& state) {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    const QFont font = FontFromLogFont(LabelFont());
    std::vector<QPoint> points;
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setFont(font);
        for (const Shape& s : Scene()) {
            if (!Wanted(state, s))
                continue;
            QPen pen(Q(s.pen), 0);
            pen.setCapStyle(Qt::FlatCap);
            painter.setPen(pen);
            painter.setBrush(Q(s.brush));
            const QRect r(s.rect.left, s.rect.top, s.rect.Width() - 1, s.rect.Height() - 1);
            switch (s.kind) {
            case Kind::Rectangle:
                painter.drawRect(r);
                break;
            case Kind::Ellipse:
                painter.drawEllipse(r);
                break;
            case Kind::Line:
                painter.drawLine(s.rect.left, s.rect.top, s.rect.right, s.rect.bottom);
                break;
            case Kind::Polyline:
                points.clear();
                for (CPoint p : s.points)
                    points.emplace_back(p.x, p.y);
                painter.drawPolyline(points.data(), int(points.size()));
                break;
            case Kind::Text:
                painter.drawText(QRect(s.rect.left, s.rect.top, s.rect.Width(), s.rect.Height()),
                                 Qt::TextWordWrap | Qt::AlignHCenter,
                                 QString::fromUtf8(s.text.data(), qsizetype(s.text.size())));
                break;
            }
        }
    }
    benchmark::DoNotOptimize(image.constBits());
    state.SetItemsProcessed(state.iterations() * kShapes);
}

BENCHMARK(DirectOnQPainter)->Unit(benchmark::kMillisecond)->Arg(3)->Arg(1)->Arg(2);
BENCHMARK(ThroughDeviceContext)->Unit(benchmark::kMillisecond)->Arg(3)->Arg(1)->Arg(2);

} // namespace
} // namespace qm

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
