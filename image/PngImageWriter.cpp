// The PNG writer. Rows are filtered one at a time as the compressor asks for
// them (each row is filtered once, into one buffer per allowed filter type,
// and the type with the most runs of five equal bytes wins); the compressed
// stream is cut into IDAT chunks of exactly 8192 bytes but the last. Each
// chunk is checked against the stream as it is written.
#include "image/PngImageWriter.h"

#include "image/Checksums.h"
#include "image/DeflateCompressor.h"
#include "image/ImageExceptions.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <vector>

namespace qm {
namespace {

constexpr size_t kChunkCapacity = 8192;

// Builds one chunk at a time and writes it with its length and CRC.
class ChunkWriter {
  public:
    explicit ChunkWriter(std::ostream& output) : output_(output), data_(kChunkCapacity) {}

    void Start(const char* type) {
        std::copy_n(type, 4, type_.begin());
        size_ = 0;
    }
    size_t Size() const { return size_; }
    void Append(const uint8_t* bytes, size_t count) {
        if (count > kChunkCapacity - size_) {
            throw EPngError("Output Buffer Overrun");
        }
        std::copy_n(bytes, count, data_.begin() + static_cast<std::ptrdiff_t>(size_));
        size_ += count;
    }
    void Append32(uint32_t value) {
        const uint8_t bytes[4] = {static_cast<uint8_t>(value >> 24),
                                  static_cast<uint8_t>(value >> 16),
                                  static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
        Append(bytes, 4);
    }
    void Write() {
        uint8_t head[8];
        Put32(head, static_cast<uint32_t>(size_));
        std::copy_n(type_.begin(), 4, head + 4);
        uint32_t crc = Crc32Update(0xFFFFFFFFu, head + 4, 4);
        crc = Crc32Update(crc, data_.data(), size_) ^ 0xFFFFFFFFu;
        uint8_t tail[4];
        Put32(tail, crc);
        Raw(head, sizeof head);
        Raw(data_.data(), size_);
        Raw(tail, sizeof tail);
        size_ = 0;
    }
    void Raw(const uint8_t* bytes, size_t count) {
        output_.write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(count));
        if (!output_) {
            throw EPngError("Error writing PNG output");
        }
    }

  private:
    static void Put32(uint8_t* p, uint32_t v) {
        p[0] = static_cast<uint8_t>(v >> 24);
        p[1] = static_cast<uint8_t>(v >> 16);
        p[2] = static_cast<uint8_t>(v >> 8);
        p[3] = static_cast<uint8_t>(v);
    }

    std::ostream& output_;
    std::array<char, 4> type_{};
    std::vector<uint8_t> data_;
    size_t size_ = 0;
};

// The compressed stream, cut into IDAT chunks: a full chunk is written only
// when more data comes, so the last chunk is never empty.
class IdatSink : public DeflateSink {
  public:
    explicit IdatSink(ChunkWriter& chunks) : chunks_(chunks) { chunks_.Start("IDAT"); }
    void Write(const uint8_t* bytes, size_t count) override {
        while (count > 0) {
            if (chunks_.Size() == kChunkCapacity) {
                chunks_.Write();
                chunks_.Start("IDAT");
            }
            const size_t n = std::min(count, kChunkCapacity - chunks_.Size());
            chunks_.Append(bytes, n);
            bytes += n;
            count -= n;
        }
    }
    void Finish() { chunks_.Write(); }

  private:
    ChunkWriter& chunks_;
};

uint8_t PaethPredictor(int a, int b, int c) {
    const int q = a + b - c;
    const int da = std::abs(q - a);
    const int db = std::abs(q - b);
    const int dc = std::abs(q - c);
    if (da <= db && da <= dc) {
        return static_cast<uint8_t>(a);
    }
    return static_cast<uint8_t>(db <= dc ? b : c);
}

// The rows of the image, each preceded by its filter type byte, delivered to
// the compressor in pieces. Progress is reported as each row begins.
class RowFeed : public DeflateSource {
  public:
    using Report = void (*)(void* context, uint32_t percent);

    RowFeed(const RasterImage& image, uint32_t rowLength, uint32_t step, uint32_t mask,
            Report report, void* context)
        : image_(image),
          rowLength_(rowLength),
          step_(step),
          mask_(mask),
          report_(report),
          context_(context),
          previous_(rowLength, 0),
          delivered_(step == 3 ? rowLength : 0) {
        for (uint32_t t = 0; t < 5; ++t) {
            if ((mask_ >> t & 1) != 0 || t == 0) {
                filtered_[t].assign(rowLength, 0);
            }
        }
    }

    size_t Read(uint8_t* buffer, size_t capacity) override {
        size_t n = 0;
        while (n < capacity) {
            if (position_ >= rowLength_ + 1) {
                if (row_ + 1 >= static_cast<int64_t>(image_.GetHeight())) {
                    break;
                }
                BeginRow();
            }
            if (position_ == 0) {
                buffer[n++] = chosen_;
                position_ = 1;
                continue;
            }
            const uint8_t* source = step_ == 3 ? delivered_.data() : filtered_[chosen_].data();
            const size_t count = std::min<size_t>(capacity - n, rowLength_ + 1 - position_);
            std::copy_n(source + (position_ - 1), count, buffer + n);
            n += count;
            position_ += count;
        }
        return n;
    }

  private:
    void BeginRow() {
        ++row_;
        const uint32_t height = image_.GetHeight();
        report_(context_, static_cast<uint32_t>(static_cast<uint64_t>(row_) * 100 / height));
        const uint8_t* x = image_.GetRow(static_cast<uint32_t>(row_));
        if (row_ > 0) {
            previous_.swap(filtered_[0]);
        }
        std::copy_n(x, rowLength_, filtered_[0].begin());
        x = filtered_[0].data();
        const uint8_t* p = previous_.data();
        const uint32_t s = step_;
        const bool first = row_ == 0;
        chosen_ = 0;
        if (mask_ == 1) {
            Deliver();
            return;
        }
        auto left = [x, s](uint32_t i) -> int { return i >= s ? x[i - s] : 0; };
        auto upLeft = [p, s](uint32_t i) -> int { return i >= s ? p[i - s] : 0; };
        if ((mask_ & 2) != 0) {
            for (uint32_t i = 0; i < rowLength_; ++i) {
                filtered_[1][i] = static_cast<uint8_t>(x[i] - left(i));
            }
        }
        if (!first && (mask_ & 4) != 0) {
            for (uint32_t i = 0; i < rowLength_; ++i) {
                filtered_[2][i] = static_cast<uint8_t>(x[i] - p[i]);
            }
        }
        if (!first && (mask_ & 8) != 0) {
            for (uint32_t i = 0; i < rowLength_; ++i) {
                filtered_[3][i] = static_cast<uint8_t>(x[i] - (left(i) + p[i]) / 2);
            }
        }
        if (!first && (mask_ & 16) != 0) {
            for (uint32_t i = 0; i < rowLength_; ++i) {
                filtered_[4][i] =
                    static_cast<uint8_t>(x[i] - PaethPredictor(left(i), p[i], upLeft(i)));
            }
        }
        uint32_t bestScore = Score(filtered_[0]);
        for (uint8_t t = 1; t < 5; ++t) {
            if ((mask_ >> t & 1) == 0 || (first && t >= 2)) {
                continue;
            }
            const uint32_t score = Score(filtered_[t]);
            if (score > bestScore) {
                bestScore = score;
                chosen_ = t;
            }
        }
        Deliver();
    }

    // 24-bit rows are stored blue, green, red and delivered red, green, blue.
    void Deliver() {
        position_ = 0;
        if (step_ != 3) {
            return;
        }
        const uint8_t* source = filtered_[chosen_].data();
        for (uint32_t i = 0; i + 2 < rowLength_; i += 3) {
            delivered_[i] = source[i + 2];
            delivered_[i + 1] = source[i + 1];
            delivered_[i + 2] = source[i];
        }
    }

    // The number of positions at which five equal filtered bytes end.
    uint32_t Score(const std::vector<uint8_t>& row) const {
        uint32_t score = 0;
        for (uint32_t i = 4; i < rowLength_; ++i) {
            const uint8_t v = row[i];
            if (row[i - 1] == v && row[i - 2] == v && row[i - 3] == v && row[i - 4] == v) {
                ++score;
            }
        }
        return score;
    }

    const RasterImage& image_;
    const uint32_t rowLength_;
    const uint32_t step_;
    const uint32_t mask_;
    Report report_;
    void* context_;
    std::array<std::vector<uint8_t>, 5> filtered_;
    std::vector<uint8_t> previous_;
    std::vector<uint8_t> delivered_;
    int64_t row_ = -1;
    size_t position_ = SIZE_MAX; // past the end of any row: the first byte starts row 0
    uint8_t chosen_ = 0;
};

} // namespace

void PngImageWriter::SetCompressionLevel(int level) {
    if (level < 0 || level > 3) {
        throw EPngError("Invalid Compression Level");
    }
    compressionLevel_ = level;
}

void PngImageWriter::WriteImage(std::ostream& output, const RasterImage& image) {
    const uint32_t bits = image.GetBitCount();
    if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 24) {
        throw EInvalidBitCount();
    }
    // PNG holds neither an empty picture nor a side of 2^31 pixels or more.
    if (image.GetWidth() == 0 || image.GetHeight() == 0 || image.GetWidth() > 0x7FFFFFFF ||
        image.GetHeight() > 0x7FFFFFFF) {
        throw EPngError("Invalid Image Size");
    }
    if (filterMask_ == 0) {
        throw EPngError("INTERNAL ERROR - No Filters Selected");
    }
    const bool rgb = bits == 24;
    // Never more than the image's row width, which fits 32 bits.
    const uint32_t rowLength = static_cast<uint32_t>(
        rgb ? uint64_t{image.GetWidth()} * 3 : (uint64_t{bits} * image.GetWidth() + 7) / 8);
    const uint32_t step = rgb ? 3 : 1;
    DeflateCompressor compressor(compressionLevel_);

    // A palette can name at most 2^bits colours. It is written as grey levels
    // only when entry i is exactly the grey a decoder gives to level i, so
    // that the picture does not change; any other map becomes a palette.
    uint8_t colorType = 2;
    uint32_t entries = 0;
    if (!rgb) {
        entries = std::min(image.GetColorCount(), 1u << bits);
        colorType = 0;
        const uint32_t scale = 255 / ((1u << bits) - 1);
        for (uint32_t i = 0; i < entries; ++i) {
            const uint8_t* e = image.GetColorMapEntry(i);
            if (e[0] != i * scale || e[1] != i * scale || e[2] != i * scale) {
                colorType = 3;
                break;
            }
        }
    }

    ChunkWriter chunks(output);
    static const uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
    chunks.Raw(kSignature, sizeof kSignature);

    chunks.Start("IHDR");
    chunks.Append32(image.GetWidth());
    chunks.Append32(image.GetHeight());
    const uint8_t header[5] = {static_cast<uint8_t>(rgb ? 8 : bits), colorType, 0, 0, 0};
    chunks.Append(header, sizeof header);
    chunks.Write();

    const std::pair<const char*, const std::string*> texts[] = {
        {"Title", &Title},         {"Author", &Author},     {"Description", &Description},
        {"Copyright", &Copyright}, {"Software", &Software}, {"Disclaimer", &Disclaimer},
        {"Warning", &Warning},     {"Source", &Source},     {"Comment", &Comment},
    };
    for (const auto& [keyword, value] : texts) {
        if (value->empty()) {
            continue;
        }
        const size_t keywordLength = std::char_traits<char>::length(keyword);
        if (keywordLength > 79) {
            throw EPngError("tEXt Keyword Too Long");
        }
        if (keywordLength + 1 + value->size() > kChunkCapacity) {
            throw EPngError("tEXt Value Too Long");
        }
        chunks.Start("tEXt");
        chunks.Append(reinterpret_cast<const uint8_t*>(keyword), keywordLength);
        const uint8_t zero = 0;
        chunks.Append(&zero, 1);
        chunks.Append(reinterpret_cast<const uint8_t*>(value->data()), value->size());
        chunks.Write();
    }

    if (colorType == 3) {
        chunks.Start("PLTE");
        for (uint32_t i = 0; i < entries; ++i) {
            const uint8_t* e = image.GetColorMapEntry(i);
            const uint8_t rgbEntry[3] = {e[2], e[1], e[0]};
            chunks.Append(rgbEntry, 3);
        }
        chunks.Write();
    }

    auto report = [](void* context, uint32_t percent) {
        static_cast<PngImageWriter*>(context)->CallProgressFunction(1, 1, std::min(percent, 100u));
    };
    CallProgressFunction(1, 1, 0);
    RowFeed feed(image, rowLength, step, filterMask_, report, this);
    IdatSink sink(chunks);
    compressor.Compress(feed, sink);
    sink.Finish();
    CallProgressFunction(1, 1, 100);

    chunks.Start("IEND");
    chunks.Write();
    output.flush();
    if (!output) {
        throw EPngError("Error writing PNG output");
    }
}

} // namespace qm
