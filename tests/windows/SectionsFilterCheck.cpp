// Smoke test of the sections filter inside the platform's own filter graph:
// the graph finds the registered filter by its friendly name as a scan does,
// a capture source feeds it the transport stream, and the PAT, NIT and SDT it
// answers are printed in the form tw_sections_dump prints them on Linux.
//   SectionsFilterCheck.exe FILE.ts

#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "CaptureSource.h"
#include "graph/FilterGraphTools.h"
#include "platform/windows/ComPtr.h"
#include "platform/windows/Mpeg2Data.h"
#include "platform/windows/WindowsDirectShow.h"
#include "tools/SectionsDumpFormat.h"

namespace {

int Fail(const char* step, HRESULT hr) {
    std::fprintf(stderr, "SectionsFilterCheck: %s failed (0x%08lx)\n", step, static_cast<unsigned long>(hr));
    return 1;
}

int Check(const char* path) {
    std::ifstream file(path, std::ios::binary);
    std::vector<BYTE> capture((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (!file.good() && !file.eof()) return Fail("reading the capture", E_INVALIDARG);
    if (capture.size() < 188) return Fail("reading the capture", E_INVALIDARG);

    ComPtr<IGraphBuilder> graph;
    HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                  graph.ReleaseAndGetAddressOfVoid());
    if (FAILED(hr)) return Fail("creating the filter graph", hr);

    // Found as the scan finds the sections filter: by name among the transport information filters.
    FilterGraphTools tools;
    ComPtr<IBaseFilter> sections;
    hr = tools.AddFilterByName(graph.Get(), sections, KSCATEGORY_BDA_TRANSPORT_INFORMATION,
                               L"MPEG-2 Sections and Tables");
    if (FAILED(hr) || !sections) return Fail("adding the MPEG-2 Sections and Tables filter by name", hr);

    ComPtr<CaptureSource> source = ComPtr<CaptureSource>::Attach(NewComObject<CaptureSource>(capture));
    hr = graph->AddFilter(source.Get(), L"Capture");
    if (FAILED(hr)) return Fail("adding the capture source", hr);

    ComPtr<IPin> input;
    hr = sections->FindPin(L"In", input.ReleaseAndGetAddressOf());
    if (FAILED(hr)) return Fail("finding the sections filter's input pin", hr);
    hr = graph->ConnectDirect(&source->Output(), input.Get(), nullptr);
    if (FAILED(hr)) return Fail("connecting the capture to the sections filter", hr);

    ComPtr<IMediaControl> control;
    hr = graph.As(control);
    if (FAILED(hr)) return Fail("IMediaControl", hr);
    hr = control->Run();
    if (FAILED(hr)) return Fail("running the graph", hr);

    ComPtr<IMpeg2Data> data;
    hr = sections.As(data);
    if (FAILED(hr)) return Fail("IMpeg2Data on the sections filter", hr);
    DumpPsiTables(data.Get(), 5000, stdout);
    std::fflush(stdout);

    control->Stop();
    if (source->Output().PacketsDelivered() == 0) return Fail("delivering the capture", E_FAIL);
    graph->RemoveFilter(source.Get());
    graph->RemoveFilter(sections.Get());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: SectionsFilterCheck FILE.ts\n");
        return 2;
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return Fail("CoInitializeEx", E_FAIL);
    int result = Check(argv[1]);
    CoUninitialize();
    return result;
}
