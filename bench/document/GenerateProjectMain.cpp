// gen_project: writes a generated benchmark project.
//   bench_gen_project <classes> <diagrams> <seed> <output.pro>
#include "bench/document/ProjectGenerator.h"
#include "platform/Files.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s <classes> <diagrams> <seed> <output.pro>\n", argv[0]);
        return 2;
    }
    qm::bench::ProjectShape shape;
    shape.classes = std::atoi(argv[1]);
    shape.diagrams = std::atoi(argv[2]);
    shape.seed = static_cast<uint32_t>(std::strtoul(argv[3], nullptr, 10));
    if (!qm::WriteFileReplacing(argv[4], qm::bench::GenerateProject(shape))) {
        std::perror(argv[4]);
        return 1;
    }
    return 0;
}
