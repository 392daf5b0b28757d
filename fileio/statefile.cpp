// SPDX-License-Identifier: GPL-3.0-or-later
#include "statefile.h"

#include "batcherror.h"
#include "fastbed.h"
#include "inputfile.h"
#include "printable.h"
#include "sha256.h"

#include <cstring>

namespace {

constexpr char Magic[8] = {'T', 'I', 'D', 'M', 'A', 'R', 'S', 'T'};
constexpr std::uint32_t Version = 1;
constexpr std::size_t HashSize = 64;  // SHA-256 in hex
constexpr std::int8_t SavedRedrawMark = -128;
// Two fields of the largest size, with room for the rest.
constexpr std::int64_t MaxStateBytes = std::int64_t{2} * FastBed::MaxCells * FastBed::MaxCells + 4096;

class Writer {
public:
    template <typename Unsigned>
    void put(Unsigned value)
    {
        for (std::size_t i = 0; i < sizeof value; ++i)
            bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xffu));
    }
    void putSigned(std::int32_t value) { put(static_cast<std::uint32_t>(value)); }
    void putDouble(double value)
    {
        std::uint64_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        put(bits);
    }
    void putCells(const std::vector<Cell>& cells)
    {
        for (const Cell cell : cells)
            bytes.push_back(static_cast<char>(cell == RedrawMark ? SavedRedrawMark : static_cast<std::int8_t>(cell)));
    }
    std::string bytes;
};

class Reader {
public:
    Reader(const std::string& bytes, std::size_t end) : bytes(bytes), end(end) {}
    template <typename Unsigned>
    Unsigned get()
    {
        Unsigned value = 0;
        for (std::size_t i = 0; i < sizeof value; ++i)
            value |= static_cast<Unsigned>(static_cast<unsigned char>(take(1)[0])) << (8 * i);
        return value;
    }
    std::int32_t getSigned() { return static_cast<std::int32_t>(get<std::uint32_t>()); }
    double getDouble()
    {
        const std::uint64_t bits = get<std::uint64_t>();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    std::vector<Cell> getCells(std::size_t count)
    {
        const char* data = take(count);
        std::vector<Cell> cells(count);
        for (std::size_t i = 0; i < count; ++i) {
            const auto code = static_cast<std::int8_t>(data[i]);
            cells[i] = code == SavedRedrawMark ? RedrawMark : code;
        }
        return cells;
    }
    bool atEnd() const { return at == end; }

private:
    const char* take(std::size_t count)
    {
        if (count > end - at)
            throw BatchError("is cut short");
        const char* data = bytes.data() + at;
        at += count;
        return data;
    }
    const std::string& bytes;
    std::size_t end;
    std::size_t at = 0;
};

void putParameters(Writer& out, const ModelParameters& p)
{
    for (const double probability : {p.recolonization, p.neighbourCoupling, p.oceanForcing, p.maturing, p.predation})
        out.putDouble(probability);
    out.putSigned(p.jumpDistance);
    out.put(static_cast<std::uint8_t>(p.longRange));
    out.put(static_cast<std::uint8_t>(p.periodic));
    out.putSigned(p.updateMethod);
}

ModelParameters getParameters(Reader& in)
{
    ModelParameters p;
    for (double* probability : {&p.recolonization, &p.neighbourCoupling, &p.oceanForcing, &p.maturing, &p.predation})
        *probability = in.getDouble();
    p.jumpDistance = in.getSigned();
    p.longRange = in.get<std::uint8_t>() != 0;
    p.periodic = in.get<std::uint8_t>() != 0;
    p.updateMethod = in.getSigned();
    return p;
}

SavedRun decodeChecked(const std::string& bytes)
{
    if (bytes.size() < sizeof Magic || std::memcmp(bytes.data(), Magic, sizeof Magic) != 0)
        throw BatchError("is no tidmar state file");
    if (bytes.size() < sizeof Magic + 4 + HashSize)
        throw BatchError("is cut short");
    Reader in(bytes, bytes.size() - HashSize);
    in.get<std::uint64_t>();  // the magic
    const auto version = in.get<std::uint32_t>();
    if (version != Version)
        throw BatchError("is a state file of format version " + std::to_string(version) + "; this program reads version "
                         + std::to_string(Version));
    Sha256 hash;
    hash.add(std::string_view(bytes.data(), bytes.size() - HashSize));
    if (hash.hex() != bytes.substr(bytes.size() - HashSize))
        throw BatchError("is damaged (its checksum does not match)");

    SavedRun run;
    EngineState& state = run.engine;
    state.fast = in.get<std::uint8_t>() != 0;
    state.width = in.getSigned();
    state.height = in.getSigned();
    run.step = static_cast<std::int64_t>(in.get<std::uint64_t>());
    run.seed = in.getSigned();
    state.parameters = getParameters(in);
    if (state.fast) {
        for (std::uint32_t& word : state.philoxKey)
            word = in.get<std::uint32_t>();
        state.syncSteps = in.get<std::uint64_t>();
        for (std::uint64_t& word : state.xoshiro)
            word = in.get<std::uint64_t>();
    } else {
        state.ran1.seed = in.getSigned();
        for (std::int32_t& word : state.ran1.shuffleTable)
            word = in.getSigned();
        state.ran1.shuffleOut = in.getSigned();
        state.rand15 = in.get<std::uint32_t>();
    }
    // Each engine checks its own limit on the sizes when it takes the state.
    if (state.width < 1 || state.width > FastBed::MaxCells || state.height < 1
        || state.height > FastBed::MaxCells || run.step < 0)
        throw BatchError("holds a field of " + std::to_string(state.width) + " x " + std::to_string(state.height)
                         + " cells, outside 1 .. " + std::to_string(FastBed::MaxCells));
    const std::size_t cells = static_cast<std::size_t>(state.width) * static_cast<std::size_t>(state.height);
    state.current = in.getCells(cells);
    if (!state.fast)
        state.previous = in.getCells(cells);
    if (!in.atEnd())
        throw BatchError("has bytes after its field");
    return run;
}

} // namespace

std::string encodeState(const SavedRun& run)
{
    const EngineState& state = run.engine;
    Writer out;
    out.bytes.append(Magic, sizeof Magic);
    out.put(Version);
    out.put(static_cast<std::uint8_t>(state.fast));
    out.putSigned(state.width);
    out.putSigned(state.height);
    out.put(static_cast<std::uint64_t>(run.step));
    out.putSigned(run.seed);
    putParameters(out, state.parameters);
    if (state.fast) {
        for (const std::uint32_t word : state.philoxKey)
            out.put(word);
        out.put(state.syncSteps);
        for (const std::uint64_t word : state.xoshiro)
            out.put(word);
    } else {
        out.putSigned(state.ran1.seed);
        for (const std::int32_t word : state.ran1.shuffleTable)
            out.putSigned(word);
        out.putSigned(state.ran1.shuffleOut);
        out.put(state.rand15);
    }
    out.putCells(state.current);
    if (!state.fast)
        out.putCells(state.previous);
    Sha256 hash;
    hash.add(out.bytes);
    out.bytes += hash.hex();
    return out.bytes;
}

SavedRun decodeState(const std::string& bytes, const std::string& what)
{
    try {
        return decodeChecked(bytes);
    } catch (const BatchError& error) {
        throw BatchError(what + " " + error.what());
    }
}

SavedRun readStateFile(const std::string& path, std::string* sha256)
{
    const std::string name = "--from-state " + inQuotes(path);
    const Descriptor file = openInput(path, MaxStateBytes, name);
    const std::string bytes = readAll(file.get(), MaxStateBytes, name);
    if (sha256) {
        Sha256 hash;
        hash.add(bytes);
        *sha256 = hash.hex();
    }
    return decodeState(bytes, name);
}
