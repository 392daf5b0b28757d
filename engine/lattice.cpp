#include "lattice.h"

#include <cstdio>
#include <cstdlib>
#include <limits>

Lattice matrix(long nxl, long nxh, long nyl, long nyh)
{
    const unsigned long columns = static_cast<unsigned long>(nxh - nxl + 1);
    const unsigned long rows = static_cast<unsigned long>(nyh - nyl + 1);
    constexpr std::size_t maxSize = std::numeric_limits<std::size_t>::max();
    Lattice lattice;
    if (columns <= maxSize / sizeof(Cell*))
        lattice.rows = static_cast<Cell**>(std::malloc(columns * sizeof(Cell*)));
    if (!lattice.rows)
        runTimeError("allocation failure 1 in matrix()");

    // One block of columns x rows cells; a size that overflows is a failure too.
    const bool overflows = rows != 0 && columns > maxSize / sizeof(Cell) / rows;
    Cell* block = overflows ? nullptr : static_cast<Cell*>(std::malloc(columns * rows * sizeof(Cell)));
    if (!block) {
        std::free(lattice.rows);
        runTimeError("allocation failure 2 in matrix()");
    }
    for (unsigned long x = 0; x < columns; ++x)
        lattice.rows[x] = block + x * rows;
    return lattice;
}

void freeLattice(Lattice& lattice)
{
    if (!lattice.rows)
        return;
    std::free(lattice.rows[0]);
    std::free(lattice.rows);
    lattice.rows = nullptr;
}

void runTimeError(const char* message)
{
    std::fprintf(stderr, "Numerical Recipes run-time error...\n");
    std::fprintf(stderr, "%s\n", message);
    std::fprintf(stderr, "...now exiting to system...\n");
    std::exit(1);
}
