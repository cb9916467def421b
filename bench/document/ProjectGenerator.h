// A generator of project files for benchmarks: N classes, each with its
// attributes and methods, and M class diagrams, written as the program writes
// project files. The output depends only on the options (ids are numbered, a
// seeded generator picks types), so every run measures the same project.
#pragma once

#include <cstdint>
#include <string>

namespace qm::bench {

struct ProjectShape {
    int classes = 2000;
    int attributesPerClass = 5;
    int methodsPerClass = 5;
    int diagrams = 100;
    // Places of the classes in each diagram (a class shows once, in order,
    // while classes last) and association links between them.
    int placesPerDiagram = 0;
    int linksPerDiagram = 0;
    uint32_t seed = 1;
};

// The text of a project file of that shape using the built-in template:
// places in a grid of 20 columns, each linked to its right neighbour, then to
// the one below it, then to the one two to the right, as many as asked.
std::string GenerateProject(const ProjectShape& shape);

} // namespace qm::bench
