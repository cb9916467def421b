// The project generator: the records are built as text, each in the form the
// pretty printer gives it, so that a generated file loads and saves to the
// same bytes.
#include "bench/document/ProjectGenerator.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace qm::bench {

namespace {

// A small linear congruential generator, fixed so output never varies.
class Sequence {
  public:
    explicit Sequence(uint32_t seed) : state_(seed) {}
    uint32_t Next(uint32_t n) {
        state_ = state_ * 1664525u + 1013904223u;
        return (state_ >> 8) % n;
    }

  private:
    uint32_t state_;
};

const char* const kTypes[] = {"int", "double", "bool", "std::string", "long", "char*"};

// An id whose first digits change fastest, as the program's own ids do.
std::string Id(char kind, int n) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%07d", n);
    std::string id(digits);
    return std::string(id.rbegin(), id.rend()) + kind;
}

void AppendF(std::string& out, const char* format, auto... args) {
    char buffer[512];
    int n = std::snprintf(buffer, sizeof buffer, format, args...);
    out.append(buffer, static_cast<size_t>(n));
}

constexpr int kColumns = 20;
constexpr int kColumnWidth = 150;
constexpr int kRowHeight = 100;

struct CRectText {
    int l, t, r, b;
};

// The bounds of the place at position p of a diagram's grid.
CRectText PlaceRect(int p) {
    int x = 20 + (p % kColumns) * kColumnWidth;
    int y = 20 + (p / kColumns) * kRowHeight;
    return {x, y, x + 100, y + 60};
}

} // namespace

std::string GenerateProject(const ProjectShape& shape) {
    Sequence random(shape.seed);
    std::string out;
    out += "(Quillmark \"8.0\" project)\n";
    out += "(repository \"\" 0)\n";
    out += "(notation \"<Internal>\")\n";
    out += "(genProfile 178 \"C++\" (\"\" \"\" \"\" \"\" \"\") \"\" 0 (\"\" \"\" \"\" \"\" \"\") \n"
           "            (\"\" \"\" \"\" \"\" \"\") 0 0 150 150 50 50 80 50 80 60 0 0)\n";
    out += "(codeFiles)\n(docFiles)\n(otherFiles)\n(revFiles \"C++\")\n";
    out += "(masters";
    for (int c = 0; c < shape.classes; ++c) {
        out += c == 0 ? " " : "\n         ";
        AppendF(out, "(master \"%s\" 0 1 \"Class%d\" \"\" \"\" \"\" \"\" \"\" 1 (",
                Id('c', c).c_str(), c);
        for (int a = 0; a < shape.attributesPerClass; ++a) {
            AppendF(out, "%s(\"field%d\" \"%s\" \"\" \"\" \"\" \"\" 1 0 \"%s\")", a == 0 ? "" : " ",
                    a, kTypes[random.Next(6)], Id('a', c * 16 + a).c_str());
        }
        out += ") (";
        for (int m = 0; m < shape.methodsPerClass; ++m) {
            AppendF(out, "%s(\"method%d\" \"%s\" \"\" 3 0 ((\"x\" \"%s\" \"\" 1)) nil \"%s\" \"\")",
                    m == 0 ? "" : " ", m, kTypes[random.Next(6)], kTypes[random.Next(6)],
                    Id('m', c * 16 + m).c_str());
        }
        out += ") nil nil nil 12 \"\")";
    }
    out += ")\n";
    int nextClass = 0;
    int nextLink = 0;
    for (int d = 0; d < shape.diagrams; ++d) {
        AppendF(out,
                "(customModel \"%s\" 11 3 \"Diagram%d\" \"\" \"\" 17 \"\" \"\" 1.000000 1.000000 \n"
                "             (0 0 3000 %d) (0 0 3000 %d)",
                Id('d', d).c_str(), d, kRowHeight * (shape.placesPerDiagram / kColumns + 1),
                kRowHeight * (shape.placesPerDiagram / kColumns + 1));
        std::vector<int> places;
        for (int p = 0; p < shape.placesPerDiagram && nextClass < shape.classes; ++p) {
            int c = nextClass++;
            CRectText r = PlaceRect(p);
            AppendF(out,
                    "\n (place \"%s\" (2) \"\" (junctions) 10 \"%s\" (%d %d %d %d) "
                    "(%d %d %d %d) (%d %d %d %d) 1 0 nil \"\")",
                    Id('c', c).c_str(), Id('p', c).c_str(), r.l, r.t, r.r, r.b, r.l - 5, r.t - 5,
                    r.r + 5, r.b + 5, r.l + 3, r.t + 3, r.r - 3, r.b - 3);
            places.push_back(c);
        }
        const int steps[] = {1, kColumns, 2};
        int made = 0;
        for (int step : steps) {
            for (size_t p = 0; p + step < places.size() && made < shape.linksPerDiagram; ++p) {
                if (step != kColumns && (p % kColumns) + step >= static_cast<size_t>(kColumns))
                    continue;
                CRectText a = PlaceRect(static_cast<int>(p));
                CRectText b = PlaceRect(static_cast<int>(p) + step);
                int x1 = (a.l + a.r) / 2, y1 = (a.t + a.b) / 2;
                int x2 = (b.l + b.r) / 2, y2 = (b.t + b.b) / 2;
                int l = std::min(x1, x2), t = std::min(y1, y2);
                int r = std::max(x1, x2) + 1, bt = std::max(y1, y2) + 1;
                AppendF(out,
                        "\n (link \"%s\" \"%s\" (%d %d %d %d) 3 \"\" \"\" \"%%%%\" \"%%%%\" "
                        "\"\" \"\" \"\" 0 0 (0 0 0 0) (0 0 0 0) (0 0 0 0) 0 0 \"%s\" "
                        "(%d %d %d %d) (%d %d %d %d) (%d %d %d %d) 2 0 nil \"\")",
                        Id('p', places[p]).c_str(), Id('p', places[p + step]).c_str(), x1, y1, x2,
                        y2, Id('l', nextLink++).c_str(), l, t, r, bt, l - 5, t - 5, r + 5, bt + 5,
                        l, t, l, t);
                ++made;
            }
        }
        out += ")\n";
    }
    return out;
}

} // namespace qm::bench
