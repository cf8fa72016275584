// SPDX-License-Identifier: GPL-3.0-or-later
// Generates the benchmark tree: 10 x 10 x 10 x 10 leaf folders four levels deep, each
// holding ten small files (one .htm, one .bak, two each of .html, .txt, .css, .js),
// 100,000 files of 0.5 to 5 KB in all. The same seed always gives the same tree.
// Usage: bench_gentree DIR
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

void fail(const std::string& what)
{
    std::fprintf(stderr, "bench_gentree: %s: %s\n", what.c_str(), std::strerror(errno));
    std::exit(1);
}

void makedir(const std::string& path)
{
    if (::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) {
        fail(path);
    }
}

void writefile(const std::string& path, const std::string& bytes)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        fail(path);
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            fail(path);
        }
        done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0) {
        fail(path);
    }
}

const char* const kWords[] = {"site", "page", "news", "photo", "link",  "about", "index",
                              "web",  "text", "home", "list",  "image", "style", "script"};

std::string filler(std::mt19937& rng, std::size_t size)
{
    std::string out;
    out.reserve(size + 16);
    while (out.size() < size) {
        out += kWords[rng() % std::size(kWords)];
        out += (rng() % 12 == 0) ? "\r\n" : " ";
    }
    out.resize(size);
    return out;
}

std::string content(std::mt19937& rng, const std::string& ext, int serial)
{
    const std::size_t size = 512 + rng() % (5120 - 512 + 1);
    if (ext == "htm" || ext == "html") {
        const std::string head =
            "<html><head><title>Page " + std::to_string(serial) + "</title></head><body>\r\n";
        const std::string tail = "\r\n</body></html>\r\n";
        return head +
               filler(rng,
                      size > head.size() + tail.size() + 1 ? size - head.size() - tail.size() : 1) +
               tail;
    }
    return filler(rng, size);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_gentree DIR\n");
        return 2;
    }
    const std::string root = argv[1];
    makedir(root);
    std::mt19937 rng(20240601);
    const char* exts[] = {"htm", "bak", "html", "html", "txt", "txt", "css", "css", "js", "js"};
    int serial = 0;
    for (int a = 0; a < 10; ++a) {
        const std::string l1 = root + "/site" + std::to_string(a);
        makedir(l1);
        for (int b = 0; b < 10; ++b) {
            const std::string l2 = l1 + "/section" + std::to_string(b);
            makedir(l2);
            for (int c = 0; c < 10; ++c) {
                const std::string l3 = l2 + "/part" + std::to_string(c);
                makedir(l3);
                for (int d = 0; d < 10; ++d) {
                    const std::string l4 = l3 + "/pages" + std::to_string(d);
                    makedir(l4);
                    std::shuffle(std::begin(exts), std::end(exts), rng);
                    for (int f = 0; f < 10; ++f) {
                        const std::string ext = exts[f];
                        const std::string name = std::string(kWords[rng() % std::size(kWords)]) +
                                                 std::to_string(f) + "." + ext;
                        writefile(l4 + "/" + name, content(rng, ext, ++serial));
                    }
                }
            }
        }
    }
    std::printf("%d files\n", serial);
    return 0;
}
