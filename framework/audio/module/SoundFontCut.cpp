#include "framework/audio/module/SoundFontCut.h"

#include <sys/types.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <vector>

namespace fw::audio {
namespace {

// The file's parts, in the order the synthesizer reads them: a RIFF form
// "sfbk" of three lists, INFO, sdta (the samples) and pdta (the presets).
// The preset data is nine chunks of fixed-size records, each ending in a
// terminal record:
//   phdr  38 bytes  name[20] program bank bag ... (preset headers)
//   pbag   4 bytes  gen mod                       (preset zones)
//   pmod  10 bytes                                (preset modulators)
//   pgen   4 bytes  operator amount               (preset generators)
//   inst  22 bytes  name[20] bag                  (instrument headers)
//   ibag, imod, igen                              (the same, for instruments)
//   shdr  46 bytes  name[20] start end ...        (sample headers)
constexpr std::array<const char*, 9> kChunkIds = {"phdr", "pbag", "pmod", "pgen", "inst",
                                                  "ibag", "imod", "igen", "shdr"};
constexpr std::array<uint32_t, 9> kRecordSizes = {38, 4, 10, 4, 22, 4, 10, 4, 46};
enum Chunk { kPhdr, kPbag, kPmod, kPgen, kInst, kIbag, kImod, kIgen, kShdr };

constexpr uint16_t kInstrumentGenerator = 41;
constexpr uint16_t kSampleGenerator = 53;
// Sizes beyond this are not a General MIDI bank the synthesizer would read.
constexpr uint64_t kMaxChunk = uint64_t{1} << 30;

uint16_t U16(const char* p) {
  return static_cast<uint16_t>(static_cast<unsigned char>(p[0]) | static_cast<unsigned char>(p[1]) << 8);
}
uint32_t U32(const char* p) { return U16(p) | static_cast<uint32_t>(U16(p + 2)) << 16; }
void Put16(char* p, uint16_t v) {
  p[0] = static_cast<char>(v & 0xff);
  p[1] = static_cast<char>(v >> 8);
}
void Append32(std::string& s, uint32_t v) {
  for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}

bool ReadAt(std::FILE* f, uint64_t pos, char* out, uint64_t count) {
  if (fseeko(f, static_cast<off_t>(pos), SEEK_SET) != 0) return false;
  return std::fread(out, 1, count, f) == count;
}

struct File {
  std::FILE* f = nullptr;
  explicit File(const std::string& path) : f(std::fopen(path.c_str(), "rb")) {}
  ~File() {
    if (f) std::fclose(f);
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;
};

// One chunk of the preset data: its records, the terminal one included.
struct Records {
  const char* data = nullptr;
  uint32_t size = 0;  // of a record
  uint32_t count = 0;
  const char* operator[](uint32_t i) const { return data + static_cast<size_t>(i) * size; }
};

// The preset data read and checked: laid out so that reading it in sequence,
// as the synthesizer does, and by its indices, as a cut does, is the same.
struct PresetData {
  uint64_t keep = 0;  // where the pdta list begins in the file
  std::string bytes;  // its chunks, after the list's header
  std::array<Records, 9> chunks;
};

// Where a header record (preset or instrument) keeps the index of its first
// bag; and the bag index of a header, the generator and modulator indices of
// a bag.
size_t BagField(const Records& headers) { return headers.size == kRecordSizes[kPhdr] ? 24 : 20; }
uint16_t HeaderBag(const Records& headers, uint32_t i) { return U16(headers[i] + BagField(headers)); }
uint16_t BagGen(const Records& bags, uint32_t i) { return U16(bags[i]); }
uint16_t BagMod(const Records& bags, uint32_t i) { return U16(bags[i] + 2); }

// Headers -> bags -> generators and modulators: each index list starts at 0,
// never goes back, and ends (in the terminal record) at the terminal record
// of what it indexes.
bool IndicesHold(const Records& headers, const Records& bags, const Records& gens, const Records& mods) {
  if (headers.count < 2 || bags.count < 1 || gens.count < 1 || mods.count < 1) return false;
  if (HeaderBag(headers, 0) != 0) return false;
  for (uint32_t i = 1; i < headers.count; ++i)
    if (HeaderBag(headers, i) < HeaderBag(headers, i - 1)) return false;
  if (HeaderBag(headers, headers.count - 1) != bags.count - 1) return false;
  if (BagGen(bags, 0) != 0 || BagMod(bags, 0) != 0) return false;
  for (uint32_t i = 1; i < bags.count; ++i)
    if (BagGen(bags, i) < BagGen(bags, i - 1) || BagMod(bags, i) < BagMod(bags, i - 1)) return false;
  return BagGen(bags, bags.count - 1) == gens.count - 1 && BagMod(bags, bags.count - 1) == mods.count - 1;
}

std::optional<PresetData> ReadPresetData(const std::string& path) {
  File file(path);
  if (!file.f) return std::nullopt;
  if (fseeko(file.f, 0, SEEK_END) != 0) return std::nullopt;
  const off_t end = ftello(file.f);
  if (end < 12) return std::nullopt;
  const uint64_t file_size = static_cast<uint64_t>(end);

  char head[12];
  if (!ReadAt(file.f, 0, head, 12)) return std::nullopt;
  if (std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "sfbk", 4) != 0) return std::nullopt;
  if (U32(head + 4) != file_size - 8) return std::nullopt;

  // The three lists, one after the other, each by its stated size.
  uint64_t pos = 12;
  uint32_t pdta_size = 0;
  for (const char* id : {"INFO", "sdta", "pdta"}) {
    char list[12];
    if (pos + 12 > file_size || !ReadAt(file.f, pos, list, 12)) return std::nullopt;
    const uint32_t size = U32(list + 4);
    if (std::memcmp(list, "LIST", 4) != 0 || std::memcmp(list + 8, id, 4) != 0 || size < 4) return std::nullopt;
    if (std::strcmp(id, "pdta") == 0) {
      pdta_size = size - 4;
      break;
    }
    pos += 8 + uint64_t{size};
  }
  PresetData d;
  d.keep = pos;
  if (pdta_size > kMaxChunk || pos + 12 + pdta_size > file_size) return std::nullopt;
  d.bytes.resize(pdta_size);
  if (!ReadAt(file.f, pos + 12, d.bytes.data(), pdta_size)) return std::nullopt;

  size_t at = 0;
  for (size_t c = 0; c < kChunkIds.size(); ++c) {
    if (at + 8 > d.bytes.size() || std::memcmp(d.bytes.data() + at, kChunkIds[c], 4) != 0) return std::nullopt;
    const uint32_t size = U32(d.bytes.data() + at + 4);
    at += 8;
    if (size % kRecordSizes[c] != 0 || size > d.bytes.size() - at) return std::nullopt;
    d.chunks[c] = {d.bytes.data() + at, kRecordSizes[c], size / kRecordSizes[c]};
    at += size;
  }
  const auto& k = d.chunks;
  if (!IndicesHold(k[kPhdr], k[kPbag], k[kPgen], k[kPmod]) || !IndicesHold(k[kInst], k[kIbag], k[kIgen], k[kImod]))
    return std::nullopt;
  if (k[kShdr].count < 2) return std::nullopt;
  return d;
}

// The generator a zone's synthesizer stops at (an instrument's, a sample's):
// its record number, or none.
std::optional<uint32_t> LinkGenerator(const Records& bags, const Records& gens, uint32_t bag, uint16_t op) {
  for (uint32_t g = BagGen(bags, bag); g < BagGen(bags, bag + 1); ++g)
    if (U16(gens[g]) == op) return g;
  return std::nullopt;
}

// Some of the headers of one level (presets or instruments), each with its
// zones, their generators and modulators, renumbered; the one generator per
// zone that links to the level below (instrument, sample) is given its new
// number by `relink`, false when it links to nothing.
struct Level {
  std::string headers, bags, mods, gens;
};
template <class Relink>
bool CopyLevel(const std::array<Records, 9>& k, Chunk h, const std::vector<uint32_t>& chosen, uint16_t link_op,
               Relink&& relink, Level& out) {
  const Records& headers = k[h];
  const Records& bags = k[h + 1];
  const Records& mods = k[h + 2];
  const Records& gens = k[h + 3];
  uint16_t n_bags = 0, n_gens = 0, n_mods = 0;
  auto header = [&](uint32_t i) {
    std::string r(headers[i], headers.size);
    Put16(r.data() + BagField(headers), n_bags);
    out.headers += r;
  };
  auto bag = [&]() {
    std::string r(4, '\0');
    Put16(r.data(), n_gens);
    Put16(r.data() + 2, n_mods);
    out.bags += r;
  };
  for (const uint32_t i : chosen) {
    header(i);
    for (uint32_t b = HeaderBag(headers, i); b < HeaderBag(headers, i + 1); ++b) {
      bag();
      ++n_bags;
      const std::optional<uint32_t> link = LinkGenerator(bags, gens, b, link_op);
      for (uint32_t g = BagGen(bags, b); g < BagGen(bags, b + 1); ++g) {
        std::string r(gens[g], gens.size);
        if (link && g == *link) {
          const std::optional<uint16_t> to = relink(U16(gens[g] + 2));
          if (!to) return false;
          Put16(r.data() + 2, *to);
        }
        out.gens += r;
        ++n_gens;
      }
      for (uint32_t m = BagMod(bags, b); m < BagMod(bags, b + 1); ++m) {
        out.mods.append(mods[m], mods.size);
        ++n_mods;
      }
    }
  }
  // The terminal records: the file's own, with the counts of the cut.
  header(headers.count - 1);
  bag();
  out.mods.append(mods[mods.count - 1], mods.size);
  out.gens.append(gens[gens.count - 1], gens.size);
  return true;
}

void AppendChunk(std::string& out, Chunk c, const std::string& records) {
  out.append(kChunkIds[c], 4);
  Append32(out, static_cast<uint32_t>(records.size()));
  out += records;
}

// The numbers of `chosen` (sorted, unique) in the cut: their place in it.
std::optional<uint16_t> Place(const std::vector<uint32_t>& chosen, uint32_t old) {
  const auto it = std::lower_bound(chosen.begin(), chosen.end(), old);
  if (it == chosen.end() || *it != old) return std::nullopt;
  return static_cast<uint16_t>(it - chosen.begin());
}

// What the zones of `headers` link to, at the level below.
std::optional<std::vector<uint32_t>> Linked(const std::array<Records, 9>& k, Chunk h,
                                             const std::vector<uint32_t>& chosen, uint16_t link_op,
                                             uint32_t below_count) {
  const Records& headers = k[h];
  const Records& bags = k[h + 1];
  const Records& gens = k[h + 3];
  std::vector<uint32_t> linked;
  for (const uint32_t i : chosen)
    for (uint32_t b = HeaderBag(headers, i); b < HeaderBag(headers, i + 1); ++b)
      if (const std::optional<uint32_t> g = LinkGenerator(bags, gens, b, link_op)) {
        const uint16_t to = U16(gens[*g] + 2);
        // The terminal record is not one to link to.
        if (to + 1u >= below_count) return std::nullopt;
        linked.push_back(to);
      }
  std::sort(linked.begin(), linked.end());
  linked.erase(std::unique(linked.begin(), linked.end()), linked.end());
  return linked;
}

}  // namespace

std::shared_ptr<const SoundFontCut> SoundFontCut::ForProgram(const std::string& path, int program) {
  if (program != kNoProgram && (program < 0 || program > 127)) return nullptr;
  const std::optional<PresetData> d = ReadPresetData(path);
  if (!d) return nullptr;
  const auto& k = d->chunks;

  // Every preset of that bank and number, in the file's order: where a bank
  // has two, the synthesizer's choice among them stays its own.
  std::vector<uint32_t> presets;
  for (const int wanted : {program, 0}) {
    if (program == kNoProgram) break;
    for (uint32_t i = 0; i + 1 < k[kPhdr].count; ++i)
      if (U16(k[kPhdr][i] + 20) == wanted && U16(k[kPhdr][i] + 22) == 0) presets.push_back(i);
    if (!presets.empty()) break;
  }
  // A zone that names an instrument or a sample the bank does not have: the
  // synthesizer refuses the whole bank for it, as it imports every preset.
  const auto instruments = Linked(k, kPhdr, presets, kInstrumentGenerator, k[kInst].count);
  const auto samples =
      instruments ? Linked(k, kInst, *instruments, kSampleGenerator, k[kShdr].count) : std::nullopt;
  if (!samples) {
    std::shared_ptr<SoundFontCut> refused(new SoundFontCut);
    refused->path_ = path;
    refused->refused_ = true;
    return refused;
  }

  Level p, i;
  const auto preset_link = [&](uint16_t old) { return Place(*instruments, old); };
  const auto instrument_link = [&](uint16_t old) { return Place(*samples, old); };
  if (!CopyLevel(k, kPhdr, presets, kInstrumentGenerator, preset_link, p) ||
      !CopyLevel(k, kInst, *instruments, kSampleGenerator, instrument_link, i))
    return nullptr;
  std::string shdr;
  for (const uint32_t s : *samples) shdr.append(k[kShdr][s], k[kShdr].size);
  shdr.append(k[kShdr][k[kShdr].count - 1], k[kShdr].size);

  std::string chunks;
  AppendChunk(chunks, kPhdr, p.headers);
  AppendChunk(chunks, kPbag, p.bags);
  AppendChunk(chunks, kPmod, p.mods);
  AppendChunk(chunks, kPgen, p.gens);
  AppendChunk(chunks, kInst, i.headers);
  AppendChunk(chunks, kIbag, i.bags);
  AppendChunk(chunks, kImod, i.mods);
  AppendChunk(chunks, kIgen, i.gens);
  AppendChunk(chunks, kShdr, shdr);

  std::shared_ptr<SoundFontCut> cut(new SoundFontCut);
  cut->path_ = path;
  cut->keep_ = d->keep;
  cut->pdta_ = "LIST";
  Append32(cut->pdta_, static_cast<uint32_t>(chunks.size() + 4));
  cut->pdta_ += "pdta";
  cut->pdta_ += chunks;
  const uint64_t size = cut->Size();
  if (size - 8 > UINT32_MAX) return nullptr;
  cut->riff_size_ = static_cast<uint32_t>(size - 8);
  cut->presets_ = static_cast<int>(presets.size());
  return cut;
}

bool SoundFontCut::Read(std::FILE* file, uint64_t pos, char* out, uint64_t count) const {
  if (pos > Size() || count > Size() - pos) return false;
  // From the file itself, up to the preset data.
  if (pos < keep_) {
    const uint64_t n = std::min(count, keep_ - pos);
    if (!file || !ReadAt(file, pos, out, n)) return false;
    // The RIFF size is the cut's.
    for (uint64_t b = 4; b < 8; ++b)
      if (b >= pos && b < pos + n) out[b - pos] = static_cast<char>((riff_size_ >> (8 * (b - 4))) & 0xff);
    pos += n, out += n, count -= n;
  }
  if (count > 0) std::memcpy(out, pdta_.data() + (pos - keep_), count);
  return true;
}

}  // namespace fw::audio
