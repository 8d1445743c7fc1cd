#include "RecordFields.h"

#include "TagMessage.h"

#include <algorithm>
#include <array>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <bit>
#include <charconv>
#include <cstring>

namespace order {

namespace {

    constexpr std::size_t npos = std::string_view::npos;

    // The ExtractTag arithmetic on 0-based positions (npos when a tag is
    // absent): the value starts behind the opening tag and ends before the
    // closing tag; nothing when that length is not positive.
    std::string_view ValueBetween(std::string_view text, std::size_t q1, std::size_t q2, std::size_t openingSize)
    {
        const long long L = static_cast<long long>(openingSize);
        const long long p1 = q1 == npos ? 0 : static_cast<long long>(q1) + 1;
        const long long p2 = q2 == npos ? 0 : static_cast<long long>(q2) + 1;
        long long start = p1 + L;
        long long length = p2 - p1 - L;
        if (length <= 0)
            return {};
        if (start < 1)
            start = 1;
        const long long size = static_cast<long long>(text.size());
        if (start > size)
            return {};
        if (start - 1 + length > size)
            length = size - (start - 1);
        return text.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(length));
    }

    std::size_t Find(std::string_view text, std::string_view what)
    {
        // glibc's memmem (two-way search) rather than find's loop over every
        // occurrence of the first character.
        if (what.empty())
            return 0;
        const void* at = memmem(text.data(), text.size(), what.data(), what.size());
        return at ? static_cast<std::size_t>(static_cast<const char*>(at) - text.data()) : npos;
    }

    // The first (up to) eight bytes of a name as one number, for a compare
    // in one step.
    std::uint64_t Head(const char* p, std::size_t n)
    {
        std::uint64_t v = 0;
        for (std::size_t i = 0; i < n && i < 8; ++i)
            v |= std::uint64_t(static_cast<unsigned char>(p[i])) << (8 * i);
        return v;
    }

    // The same for a name inside the answer, read as one load where the
    // answer has eight bytes left.
    std::uint64_t HeadAt(const char* p, std::size_t n, const char* end)
    {
        if constexpr (std::endian::native == std::endian::little) {
            if (end - p >= 8) {
                std::uint64_t v;
                std::memcpy(&v, p, 8);
                return n >= 8 ? v : v & ((std::uint64_t(1) << (8 * n)) - 1);
            }
        }
        return Head(p, n);
    }

    // The wanted field names, looked up by a tag's name. A tag "<NAME>" is
    // recognised by the text between its "<" and the next ">", which is
    // exact for names that hold neither "<" nor ">" and do not start with
    // "/" (a closing tag); other names are looked up the slow way. A name
    // may fill several columns.
    class FieldNames {
    public:
        struct Field {
            std::string name;
            std::uint64_t head;
            std::vector<int> cols;
        };

        FieldNames(const std::vector<std::string>& fields, int cols)
        {
            for (int c = 0; c < cols && c < static_cast<int>(fields.size()); ++c) {
                const std::string& name = fields[static_cast<std::size_t>(c)];
                if (name.empty())
                    continue;
                const bool odd = name.find_first_of("<>") != std::string::npos || name.front() == '/';
                std::vector<Field>& list = odd ? odd_ : plain_;
                auto same = std::find_if(list.begin(), list.end(), [&](const Field& f) { return f.name == name; });
                if (same != list.end()) {
                    same->cols.push_back(c);
                    continue;
                }
                if (!odd && plain_.size() >= kSlots / 4) {
                    odd_.push_back({ name, 0, { c } }); // beyond the table: the slow way
                    continue;
                }
                list.push_back({ name, Head(name.data(), name.size()), { c } });
                if (!odd)
                    Place(static_cast<int>(plain_.size()) - 1);
            }
        }

        const std::vector<Field>& Plain() const { return plain_; }
        const std::vector<Field>& Odd() const { return odd_; }

        // Index into Plain() of the name, or -1.
        int Match(const char* name, std::size_t size, const char* end) const
        {
            const std::uint64_t head = HeadAt(name, size, end);
            for (std::size_t slot = Slot(head);; slot = (slot + 1) & (kSlots - 1)) {
                const Entry& e = table_[slot];
                if (e.index < 0)
                    return -1;
                if (e.head == head && e.size == size
                    && (size <= 8
                        || std::memcmp(plain_[static_cast<std::size_t>(e.index)].name.data() + 8, name + 8, size - 8)
                            == 0))
                    return e.index;
            }
        }

    private:
        // An open-addressed table by the first eight bytes, a quarter full at
        // most, so that a tag that is no field is told apart in one probe.
        static std::size_t Slot(std::uint64_t head) { return (head * 0x9E3779B97F4A7C15ull) >> (64 - kSlotBits); }

        void Place(int index)
        {
            const Field& f = plain_[static_cast<std::size_t>(index)];
            std::size_t slot = Slot(f.head);
            while (table_[slot].index >= 0)
                slot = (slot + 1) & (kSlots - 1);
            table_[slot] = { f.head, static_cast<std::uint32_t>(f.name.size()), index };
        }

        // Everything a probe compares, in one place.
        struct Entry {
            std::uint64_t head = 0;
            std::uint32_t size = 0;
            int index = -1;
        };

        static constexpr int kSlotBits = 8;
        static constexpr std::size_t kSlots = std::size_t(1) << kSlotBits;
        std::vector<Field> plain_;
        std::vector<Field> odd_;
        std::array<Entry, kSlots> table_ {};
    };

    // "<RDC_n>" and "</RDC_n>" without a formatted print per record.
    struct RecordTags {
        char buffer[40];
        std::string_view opening;
        std::string_view closing;

        explicit RecordTags(int index)
        {
            char digits[16];
            const auto end = std::to_chars(digits, digits + sizeof digits, index).ptr;
            const std::size_t n = static_cast<std::size_t>(end - digits);
            std::memcpy(buffer, "</RDC_", 6);
            std::memcpy(buffer + 6, digits, n);
            buffer[6 + n] = '>';
            closing = std::string_view(buffer, 7 + n);
            buffer[20] = '<';
            std::memcpy(buffer + 21, "RDC_", 4);
            std::memcpy(buffer + 25, digits, n);
            buffer[25 + n] = '>';
            opening = std::string_view(buffer + 20, 6 + n);
        }
    };

    // Bit masks of the "<" and ">" of one 64-byte block of the text (the last
    // block read from a copy, never past the text).
    struct BlockMasks {
        std::uint64_t lt = 0;
        std::uint64_t gt = 0;

        BlockMasks() = default;
        BlockMasks(std::string_view text, std::size_t block)
        {
            const std::size_t start = block << 6;
            const char* p = text.data() + start;
            char tail[64];
            if (text.size() - start < 64) {
                std::memset(tail, 0, sizeof tail);
                std::memcpy(tail, p, text.size() - start);
                p = tail;
            }
#if defined(__SSE2__)
            const __m128i l = _mm_set1_epi8('<');
            const __m128i g = _mm_set1_epi8('>');
            for (int i = 0; i < 4; ++i) {
                const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
                lt |= std::uint64_t(static_cast<std::uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, l)))) << (16 * i);
                gt |= std::uint64_t(static_cast<std::uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, g)))) << (16 * i);
            }
#else
            for (int i = 0; i < 64; ++i) {
                lt |= std::uint64_t(p[i] == '<') << i;
                gt |= std::uint64_t(p[i] == '>') << i;
            }
#endif
        }
    };

    // Walks the "<" of the text in order by clearing the lowest bit of a
    // mask, so that finding the next tag does not wait for the previous tag
    // to be read: the values between two tags are a few bytes long, and a
    // search call or a byte loop for each would cost more than the reading.
    class TagCursor {
    public:
        explicit TagCursor(std::string_view text)
            : text_(text)
        {
        }

        // The next "<" will be the first at or after pos.
        void Seek(std::size_t pos)
        {
            if (pos >= text_.size()) {
                block_ = text_.size() >> 6;
                masks_ = {};
                pending_ = 0;
                done_ = true;
                return;
            }
            done_ = false;
            block_ = pos >> 6;
            masks_ = BlockMasks(text_, block_);
            pending_ = masks_.lt & (~std::uint64_t(0) << (pos & 63));
        }

        // Position of the next "<", or the text's size when none is left.
        std::size_t Next()
        {
            while (pending_ == 0) {
                if (done_ || ((block_ + 1) << 6) >= text_.size()) {
                    done_ = true;
                    return text_.size();
                }
                ++block_;
                masks_ = BlockMasks(text_, block_);
                pending_ = masks_.lt;
            }
            const std::size_t p = (block_ << 6) + static_cast<std::size_t>(std::countr_zero(pending_));
            pending_ &= pending_ - 1;
            return p;
        }

        // First "<" or ">" at or after pos (not before the last "<" that
        // Next gave), or the text's size; the walk is not moved.
        std::size_t NextLtOrGt(std::size_t pos) const
        {
            for (std::size_t block = pos >> 6; pos < text_.size(); pos = (++block) << 6) {
                const BlockMasks m = block == block_ ? masks_ : BlockMasks(text_, block);
                const std::uint64_t bits = (m.lt | m.gt) & (~std::uint64_t(0) << (pos & 63));
                if (bits)
                    return (block << 6) + static_cast<std::size_t>(std::countr_zero(bits));
            }
            return text_.size();
        }

    private:
        std::string_view text_;
        std::size_t block_ = 0;
        BlockMasks masks_;
        std::uint64_t pending_ = 0;
        bool done_ = true;
    };

    bool StartsWith(const char* p, const char* end, std::string_view what)
    {
        const std::size_t n = what.size();
        if (static_cast<std::size_t>(end - p) < n)
            return false;
        if (n >= 8 && n <= 16) {
            // Two overlapping eight-byte compares instead of a library call.
            std::uint64_t a, b, c, d;
            std::memcpy(&a, p, 8);
            std::memcpy(&b, what.data(), 8);
            std::memcpy(&c, p + n - 8, 8);
            std::memcpy(&d, what.data() + n - 8, 8);
            return a == b && c == d;
        }
        return std::memcmp(p, what.data(), n) == 0;
    }

    // A tag of a record as read by the full walk ("<" up to and with the
    // ">"), and what it meant there, so that the next record, which almost
    // always repeats the same tags, can be followed by comparing each of its
    // tags with the known one instead of reading and looking up its name.
    struct KnownTag {
        // The tag's first and last eight bytes under masks, so that tags of
        // up to 16 bytes compare in two steps whatever their size.
        std::uint64_t first = 0;
        std::uint64_t firstMask = 0;
        std::uint64_t last = 0;
        std::uint64_t lastMask = 0;
        const char* text = nullptr;
        std::uint32_t size = 0;
        std::uint32_t slot = 0; // where its position is kept (see IndexRecordFields)
        bool recordEnd = false; // the record's closing tag (its number changes)
    };

    std::uint64_t Load8(const char* p)
    {
        std::uint64_t v;
        std::memcpy(&v, p, 8);
        return v;
    }

    // `text` has at least eight bytes before it within the answer; the
    // answer ends at `end`.
    KnownTag MakeKnownTag(const char* text, std::size_t size, const char* end, std::uint32_t slot)
    {
        KnownTag t;
        t.text = text;
        t.size = static_cast<std::uint32_t>(size);
        t.slot = slot;
        if (size <= 16 && end - text >= 8 && std::endian::native == std::endian::little) {
            t.firstMask = size >= 8 ? ~std::uint64_t(0) : (std::uint64_t(1) << (8 * size)) - 1;
            t.lastMask = size >= 8 ? ~std::uint64_t(0) : ~std::uint64_t(0) << (8 * (8 - size));
            t.first = Load8(text) & t.firstMask;
            t.last = Load8(text + size - 8) & t.lastMask;
        }
        return t;
    }

    // p has at least eight bytes before it within the text, which ends at
    // `end`.
    bool SameTag(const char* p, const char* end, const KnownTag& t)
    {
        if (t.firstMask != 0 && end - p >= 16)
            return ((Load8(p) & t.firstMask) == t.first) & ((Load8(p + t.size - 8) & t.lastMask) == t.last);
        return static_cast<std::size_t>(end - p) >= t.size && std::memcmp(p, t.text, t.size) == 0;
    }

    constexpr std::size_t kMaxKnownTags = 256;

} // namespace

void IndexRecordFields(
    std::string_view answer, const std::vector<std::string>& fields, int cols, int rows, FieldSpan* cells)
{
    const FieldNames names(fields, cols);
    const std::size_t wanted = names.Plain().size();
    // Where the opening (slots[2 * i]) and the closing tag (slots[2 * i + 1])
    // of the i-th wanted name lie in the record; the last two keep the
    // positions of known tags that are no field's.
    std::vector<std::size_t> slots(2 * wanted + 2);

    const char* const base = answer.data();
    const char* const end = base + answer.size();
    TagCursor cursor(answer);
    std::size_t restStart = 0; // the walk's remaining text starts here
    std::vector<KnownTag> known; // the tags of the record before
    std::vector<KnownTag> learnt;

    for (int r = 0; r < rows; ++r) {
        const RecordTags tags(r);
        const std::string_view rest = answer.substr(restStart);
        FieldSpan* row = cells + static_cast<std::size_t>(r) * static_cast<std::size_t>(cols);
        std::fill(slots.begin(), slots.end(), npos);

        std::size_t q1 = npos;
        std::size_t q2 = npos;
        bool scanned = false;

        // First as the record before: every "<" must start the tag known
        // from there, up to the record's closing tag. Anything else (and
        // there being no record before) takes the full walk below.
        if (!known.empty()) {
            cursor.Seek(restStart);
            const std::size_t lt = cursor.Next();
            if (lt < answer.size() && StartsWith(base + lt, end, tags.opening)) {
                const std::size_t valueStart = lt + tags.opening.size();
                for (const KnownTag& t : known) {
                    // A known tag holds no "<" but its first, so the next
                    // "<" starts the next tag.
                    const std::size_t p = cursor.Next();
                    if (p == answer.size())
                        break;
                    if (t.recordEnd) {
                        if (StartsWith(base + p, end, tags.closing)) {
                            q1 = lt - restStart;
                            q2 = p - restStart;
                            scanned = true;
                        }
                        break;
                    }
                    if (!SameTag(base + p, end, t))
                        break;
                    // Positions grow, so the first one is the smallest.
                    slots[t.slot] = std::min(slots[t.slot], p - valueStart);
                }
            }
            if (!scanned)
                std::fill(slots.begin(), slots.end(), npos);
        }

        // The record's own tags, as the first occurrences in the rest. In a
        // well-formed answer the opening tag is the first "<" of the rest;
        // then no closing tag can come before it, and the one forward scan
        // below finds both the fields and the record's closing tag.
        std::size_t lt = npos;
        if (scanned) {
            // followed as the record before
        } else if (cursor.Seek(restStart), lt = cursor.Next();
                   lt < answer.size() && StartsWith(base + lt, end, tags.opening)) {
            q1 = lt - restStart;
            const std::string_view recordName = tags.closing.substr(2, tags.closing.size() - 3);
            const std::uint64_t recordHead = Head(recordName.data(), recordName.size());
            std::size_t missing = 2 * wanted;
            const std::size_t valueStart = lt + tags.opening.size();
            // This record's tags are learnt for the next one, when each "<"
            // is a plain tag.
            learnt.clear();
            bool learning = true;
            for (;;) {
                const std::size_t p = cursor.Next();
                if (p == answer.size())
                    break;
                const bool closing = p + 1 < answer.size() && base[p + 1] == '/';
                if (missing == 0 && !learning) {
                    // Every field is placed; only the record's end is left.
                    if (closing && StartsWith(base + p, end, tags.closing)) {
                        q2 = p - restStart;
                        break;
                    }
                    continue;
                }
                const std::size_t name = p + 1 + (closing ? 1 : 0);
                const std::size_t gt = cursor.NextLtOrGt(name);
                if (gt == answer.size())
                    break;
                if (base[gt] == '<') {
                    learning = false;
                    continue; // no tag here; the next "<" is gt
                }
                const std::size_t size = gt - name;
                if (closing && size == recordName.size() && HeadAt(base + name, size, end) == recordHead
                    && (size <= 8 || std::memcmp(base + name + 8, recordName.data() + 8, size - 8) == 0)) {
                    q2 = p - restStart;
                    if (learning) {
                        learnt.push_back({});
                        learnt.back().recordEnd = true;
                        known.swap(learnt);
                    }
                    break;
                }
                const int i = names.Match(base + name, size, end);
                if (learning) {
                    // A name that could be a later record's own tag is not
                    // learnt; nor are very long tags.
                    if (learnt.size() < kMaxKnownTags && size < 64
                        && !(size >= 4 && std::memcmp(base + name, "RDC_", 4) == 0))
                        learnt.push_back(MakeKnownTag(base + p, gt + 1 - p, end,
                            static_cast<std::uint32_t>(i >= 0 ? 2 * i + (closing ? 1 : 0) : 2 * wanted)));
                    else
                        learning = false;
                }
                if (i >= 0) {
                    std::size_t& slot = slots[2 * static_cast<std::size_t>(i) + (closing ? 1 : 0)];
                    if (slot == npos) {
                        slot = p - valueStart;
                        --missing;
                    }
                }
            }
            scanned = true;
        } else {
            q1 = Find(rest, tags.opening);
            q2 = Find(rest, tags.closing);
        }

        const std::string_view record = ValueBetween(rest, q1, q2, tags.opening.size());
        if (q2 != npos)
            restStart += q2 + 1;
        if (record.empty())
            continue;

        const auto store = [&](const FieldNames::Field& f, std::string_view value) {
            if (value.empty())
                return;
            for (const int col : f.cols) {
                row[col].offset = static_cast<std::uint32_t>(value.data() - base);
                row[col].length = static_cast<std::uint32_t>(value.size());
            }
        };
        for (std::size_t i = 0; i < wanted; ++i) {
            const FieldNames::Field& f = names.Plain()[i];
            if (scanned) {
                // Tags found at or past the record's end are not the record's.
                const std::size_t o = slots[2 * i] < record.size() ? slots[2 * i] : npos;
                const std::size_t c = slots[2 * i + 1] < record.size() ? slots[2 * i + 1] : npos;
                store(f, ValueBetween(record, o, c, f.name.size() + 2));
            } else {
                store(f, ExtractTagView(f.name, record));
            }
        }
        for (const FieldNames::Field& f : names.Odd())
            store(f, ExtractTagView(f.name, record));
    }
}

} // namespace order
