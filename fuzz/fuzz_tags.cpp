// Tag lookups on arbitrary text: no crash, no read outside the text, and the
// string and view forms of every lookup agree.
#include "RecordFields.h"
#include "TagMessage.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <string>
#include <vector>

using namespace order;

namespace {

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

bool Inside(std::string_view part, std::string_view whole)
{
    return part.empty() || (part.data() >= whole.data() && part.data() + part.size() <= whole.data() + whole.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider fdp(data, size);
    const std::string name = fdp.ConsumeRandomLengthString(12);
    const std::string opening = fdp.ConsumeRandomLengthString(12);
    const std::string closing = fdp.ConsumeRandomLengthString(12);
    const std::string text = fdp.ConsumeRemainingBytesAsString();
    const std::string_view whole(text);

    const std::string_view v = ExtractTagView(name, whole);
    Check(Inside(v, whole));
    const std::string value = ExtractTag(name, text);
    Check(value == v);

    // TakeTag: same value as ExtractTag, and the text loses exactly a prefix.
    std::string cut = text;
    Check(TakeTag(name, cut) == value);
    Check(cut.size() <= text.size());
    Check(whole.substr(text.size() - cut.size()) == cut);
    std::string_view cutView = whole;
    Check(TakeTag(name, cutView) == value);
    Check(cutView == cut);

    // ExtractBetween with the element's own tags is ExtractTag.
    Check(ExtractBetween(text, "<" + name + ">", "</" + name + ">") == value);
    const std::string between = ExtractBetween(text, opening, closing);
    Check(between.size() <= text.size());

    // The record walk stays inside the answer and ends.
    RecordWalker walker(whole);
    for (int i = 0; i < 64; ++i) {
        const std::string_view r = walker.Next();
        Check(Inside(r, whole));
    }
    Check(walker.Index() == 64);

    // The one-pass record index finds what a plain TakeTag walk with
    // ExtractTag finds.
    const std::vector<std::string> fields = { "G_NAME", "", name, "U_COST", "G_CODE", "U_COST", "RDC_1" };
    const int cols = static_cast<int>(fields.size());
    constexpr int kRows = 24;
    std::vector<FieldSpan> cells(kRows * fields.size(), FieldSpan {});
    IndexRecordFields(whole, fields, cols, kRows, cells.data());
    std::string_view rest = whole;
    for (int r = 0; r < kRows; ++r) {
        const std::string_view record = TakeTag(RecordName(r), rest);
        for (int c = 0; c < cols; ++c) {
            const std::string& field = fields[static_cast<std::size_t>(c)];
            const std::string_view v = field.empty() ? std::string_view() : ExtractTagView(field, record);
            const FieldSpan& got = cells[static_cast<std::size_t>(r * cols + c)];
            Check(got.length == v.size());
            Check(v.empty() || got.offset == static_cast<std::size_t>(v.data() - whole.data()));
        }
    }
    (void)IsSuccess(whole);
    (void)RecordCount(whole);
    (void)ToIntDef(whole.substr(0, 32), -1);
    return 0;
}
