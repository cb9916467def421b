// The benchmarks' pictures. The diagram is drawn with QPainter much as the
// diagram export draws a model: class boxes with compartments and member
// text, connecting lines, a few coloured fills. The photo is value noise at
// several scales per channel plus a little grain, which compresses the way
// camera pictures do.
#include "bench/image/BenchRasters.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QString>

#include <cmath>
#include <random>
#include <vector>

namespace qm::bench {

namespace {

RasterImage FromQImage(const QImage& source) {
    const QImage rgb = source.convertToFormat(QImage::Format_RGB888);
    RasterImage image;
    image.SetSize(0, 24, static_cast<uint32_t>(rgb.width()), static_cast<uint32_t>(rgb.height()));
    for (int y = 0; y < rgb.height(); ++y) {
        const uchar* in = rgb.constScanLine(y);
        uint8_t* out = image.GetRow(static_cast<uint32_t>(y));
        for (int x = 0; x < rgb.width(); ++x) {
            out[3 * x] = in[3 * x + 2];
            out[3 * x + 1] = in[3 * x + 1];
            out[3 * x + 2] = in[3 * x];
        }
    }
    return image;
}

RasterImage MakeDiagram() {
    QImage canvas(kBenchWidth, kBenchHeight, QImage::Format_RGB888);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    painter.setRenderHint(QPainter::Antialiasing, false);
    QFont font("DejaVu Sans");
    font.setPixelSize(13);
    painter.setFont(font);
    std::mt19937 random(1234);
    const QColor fills[] = {QColor(255, 255, 204), QColor(220, 235, 255), QColor(255, 255, 255),
                            QColor(230, 255, 230)};
    struct Box {
        int x, y, w, h;
    };
    std::vector<Box> boxes;
    for (int row = 0; row < 6; ++row) {
        for (int col = 0; col < 9; ++col) {
            const int w = 220 + static_cast<int>(random() % 80);
            const int h = 200 + static_cast<int>(random() % 120);
            boxes.push_back({60 + col * 370, 50 + row * 390, w, h});
        }
    }
    // Links first, under the boxes.
    painter.setPen(QPen(Qt::black, 1));
    for (size_t i = 0; i + 1 < boxes.size(); ++i) {
        const Box& a = boxes[i];
        const Box& b = boxes[(i * 7 + 3) % boxes.size()];
        const int ax = a.x + a.w / 2;
        const int ay = a.y + a.h / 2;
        const int bx = b.x + b.w / 2;
        const int by = b.y + b.h / 2;
        painter.drawLine(ax, ay, ax, (ay + by) / 2);
        painter.drawLine(ax, (ay + by) / 2, bx, (ay + by) / 2);
        painter.drawLine(bx, (ay + by) / 2, bx, by);
    }
    const char* words[] = {"name",  "String", "count",  "int",   "GetValue", "SetSize", "owner",
                           "Model", "Draw",   "bounds", "CRect", "persist",  "bool",    "Master"};
    for (size_t i = 0; i < boxes.size(); ++i) {
        const Box& b = boxes[i];
        painter.setPen(QPen(Qt::black, 1));
        painter.setBrush(fills[i % 4]);
        painter.drawRect(b.x, b.y, b.w, b.h);
        painter.drawLine(b.x, b.y + 28, b.x + b.w, b.y + 28);
        painter.drawLine(b.x, b.y + 28 + b.h / 3, b.x + b.w, b.y + 28 + b.h / 3);
        QFont bold = font;
        bold.setBold(true);
        painter.setFont(bold);
        painter.drawText(b.x + 10, b.y + 20, QString("TClass%1").arg(i));
        painter.setFont(font);
        for (int line = 0; 46 + line * 17 < b.h; ++line) {
            const QString text = QString("%1 %2 : %3")
                                     .arg(line % 3 == 0 ? "+" : "-")
                                     .arg(words[(i + line) % 14])
                                     .arg(words[(i * 3 + line * 5) % 14]);
            painter.drawText(b.x + 8, b.y + 46 + line * 17, text);
        }
    }
    painter.end();
    return FromQImage(canvas);
}

RasterImage MakePhoto() {
    RasterImage image;
    image.SetSize(0, 24, kBenchWidth, kBenchHeight);
    std::mt19937 random(99);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    struct Octave {
        uint32_t cell;
        float weight;
        std::vector<float> grid; // (w / cell + 2) x (h / cell + 2) values per channel
        uint32_t columns;
    };
    std::vector<Octave> octaves[3];
    for (auto& channel : octaves) {
        for (const auto& [cell, weight] :
             {std::pair{400u, 110.0f}, {97u, 60.0f}, {23u, 30.0f}, {6u, 14.0f}}) {
            Octave octave{cell, weight, {}, kBenchWidth / cell + 2};
            octave.grid.resize(size_t{octave.columns} * (kBenchHeight / cell + 2));
            for (float& v : octave.grid) {
                v = unit(random) - 0.5f;
            }
            channel.push_back(std::move(octave));
        }
    }
    const float base[3] = {110.0f, 120.0f, 130.0f}; // blue, green, red
    for (uint32_t y = 0; y < kBenchHeight; ++y) {
        uint8_t* row = image.GetRow(y);
        for (uint32_t x = 0; x < kBenchWidth; ++x) {
            for (int c = 0; c < 3; ++c) {
                float value = base[c];
                for (const Octave& o : octaves[c]) {
                    const float fx = static_cast<float>(x) / o.cell;
                    const float fy = static_cast<float>(y) / o.cell;
                    const uint32_t gx = static_cast<uint32_t>(fx);
                    const uint32_t gy = static_cast<uint32_t>(fy);
                    const float tx = fx - gx;
                    const float ty = fy - gy;
                    const float* g = o.grid.data() + size_t{gy} * o.columns + gx;
                    const float top = g[0] + (g[1] - g[0]) * tx;
                    const float bottom = g[o.columns] + (g[o.columns + 1] - g[o.columns]) * tx;
                    value += o.weight * (top + (bottom - top) * ty);
                }
                value += static_cast<float>(static_cast<int>(random() % 7) - 3);
                row[3 * x + c] = static_cast<uint8_t>(std::clamp(value, 0.0f, 255.0f));
            }
        }
    }
    return image;
}

} // namespace

const RasterImage& DiagramRaster() {
    static const RasterImage image = MakeDiagram();
    return image;
}

const RasterImage& PhotoRaster() {
    static const RasterImage image = MakePhoto();
    return image;
}

} // namespace qm::bench
