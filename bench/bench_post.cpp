// Posts one file through the real form poster to the system proxy (a
// loopback sink in the comparison script) and prints the seconds it took.
#include "core/http/CFormPoster.h"
#include "core/http/CPostForm.h"

#include <QByteArray>
#include <QElapsedTimer>

#include <cstdio>
#include <ctime>

using namespace pictovane;

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    CPostForm form;
    form.m_strHost = "sink.bench.example";
    form.m_strPath = "/wallpapers/upload3.php";
    form.AddField("sms", "5551234");
    form.AddFile("file_data", argv[1], "bmp");

    CFormPoster poster;
    PostStatus status;
    QElapsedTimer timer;
    timespec cpu0{}, cpu1{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu0);
    timer.start();
    const Result hr = poster.Send(form, status);
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu1);
    const double cpu = double(cpu1.tv_sec - cpu0.tv_sec) + double(cpu1.tv_nsec - cpu0.tv_nsec) / 1e9;
    // Wall seconds, then CPU seconds of this process: on a busy machine the
    // second is the steadier measure of what the upload itself costs.
    std::printf("%.3f %.3f\n", seconds, cpu);
    return hr == Result::Ok && status.httpStatus == 200 ? 0 : 1;
}
