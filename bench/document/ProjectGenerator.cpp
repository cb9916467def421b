// The project generator: the records are built as text, each in the form the
// pretty printer gives it, so that a generated file loads and saves to the
// same bytes.
#include "bench/document/ProjectGenerator.h"

#include <cstdio>
#include <string>

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
    for (int d = 0; d < shape.diagrams; ++d) {
        AppendF(out,
                "(customModel \"%s\" 11 3 \"Diagram%d\" \"\" \"\" 17 \"\" \"\" 1.000000 1.000000 \n"
                "             (0 0 2000 1500) (0 0 2000 1500))\n",
                Id('d', d).c_str(), d);
    }
    return out;
}

} // namespace qm::bench
