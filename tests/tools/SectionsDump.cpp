// The PAT, NIT and SDT sections that the section source finds in a capture, in
// the form the Windows smoke test prints for its sections filter.
//   tw_sections_dump FILE.ts

#include <cstdio>
#include <memory>

#include "platform/Clock.h"
#include "platform/sections/Mpeg2DataSource.h"
#include "platform/sections/MultiplexSections.h"
#include "tools/SectionsDumpFormat.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tw_sections_dump FILE.ts\n");
        return 2;
    }
    auto sections = std::make_shared<MultiplexSections>();
    if (FAILED(sections->LoadFile(argv[1]))) {
        std::fprintf(stderr, "tw_sections_dump: cannot read %s\n", argv[1]);
        return 2;
    }
    Clock::Instance().SetMode(Clock::Mode::Virtual);
    ComPtr<Mpeg2DataSource> source = ComPtr<Mpeg2DataSource>::Attach(NewComObject<Mpeg2DataSource>(sections));
    source->SetFinal(true);
    DumpPsiTables(source.Get(), 5000, stdout);
    return 0;
}
