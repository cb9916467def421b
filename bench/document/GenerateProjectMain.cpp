// gen_project: writes a generated benchmark project.
//   bench_gen_project <classes> <diagrams> <seed> <output.pro> [<places> <links>]
// places and links are per diagram.
#include "bench/document/ProjectGenerator.h"
#include "platform/Files.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 5 && argc != 7) {
        std::fprintf(stderr,
                     "usage: %s <classes> <diagrams> <seed> <output.pro> [<places> <links>]\n",
                     argv[0]);
        return 2;
    }
    qm::bench::ProjectShape shape;
    shape.classes = std::atoi(argv[1]);
    shape.diagrams = std::atoi(argv[2]);
    shape.seed = static_cast<uint32_t>(std::strtoul(argv[3], nullptr, 10));
    if (argc == 7) {
        shape.placesPerDiagram = std::atoi(argv[5]);
        shape.linksPerDiagram = std::atoi(argv[6]);
    }
    if (!qm::WriteFileReplacing(argv[4], qm::bench::GenerateProject(shape))) {
        std::perror(argv[4]);
        return 1;
    }
    return 0;
}
