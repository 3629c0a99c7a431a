// Posts one file through the real form poster to the system proxy (a
// loopback sink in the comparison script) and prints the seconds it took.
#include "http/CFormPoster.h"
#include "http/CPostForm.h"

#include <QByteArray>
#include <QElapsedTimer>

#include <cstdio>

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
    timer.start();
    const HRESULT hr = poster.Send(form, status);
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    std::printf("%.3f\n", seconds);
    return hr == S_OK && status.httpStatus == 200 ? 0 : 1;
}
