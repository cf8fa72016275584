// SPDX-License-Identifier: GPL-3.0-or-later
// Generates the benchmark trees. The same seed always gives the same bytes.
//
// bench_gentree DIR [FILES [EXT]]
//   FILES / 10 leaf folders four levels deep (siteA/sectionB/partC/pagesD, ten to a
//   folder below the top), each holding ten small files (one .htm, one .bak, two each
//   of .html, .txt, .css, .js) of 0.5 to 5 KB; FILES is 100,000 unless given (a
//   multiple of 10). With EXT only the files of that extension are written (the others
//   are still drawn, so they get the same bytes as in the full tree): a case that
//   deletes the .bak files puts them back this way.
// bench_gentree --pages DIR COUNT BYTES
//   COUNT pages page00000.htm ... of BYTES bytes each: a head, CR LF lines of words,
//   and "</body></html>" as the last line.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
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

int pages(const std::string& root, long count, std::size_t bytes)
{
    makedir(root);
    std::mt19937 rng(20240602);
    for (long i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/page%05ld.htm", i);
        const std::string head =
            "<html><head><title>Page " + std::to_string(i) + "</title></head><body>\r\n";
        const std::string tail = "\r\n</body></html>\r\n";
        const std::size_t body =
            bytes > head.size() + tail.size() + 1 ? bytes - head.size() - tail.size() : 1;
        writefile(root + name, head + filler(rng, body) + tail);
    }
    std::printf("%ld pages\n", count);
    return 0;
}

int tree(const std::string& root, long files, const std::string& only)
{
    makedir(root);
    std::mt19937 rng(20240601);
    const char* exts[] = {"htm", "bak", "html", "html", "txt", "txt", "css", "css", "js", "js"};
    long serial = 0;
    long written = 0;
    const long leaves = files / 10;
    // Leaf i is site<i/1000>/section<i/100%10>/part<i/10%10>/pages<i%10>: for 100,000
    // files that is 10 x 10 x 10 x 10 folders, and the tree of earlier runs byte for byte.
    for (long i = 0; i < leaves; ++i) {
        const std::string l1 = root + "/site" + std::to_string(i / 1000);
        const std::string l2 = l1 + "/section" + std::to_string(i / 100 % 10);
        const std::string l3 = l2 + "/part" + std::to_string(i / 10 % 10);
        const std::string l4 = l3 + "/pages" + std::to_string(i % 10);
        if (i % 1000 == 0) {
            makedir(l1);
        }
        if (i % 100 == 0) {
            makedir(l2);
        }
        if (i % 10 == 0) {
            makedir(l3);
        }
        makedir(l4);
        std::shuffle(std::begin(exts), std::end(exts), rng);
        for (int f = 0; f < 10; ++f) {
            const std::string ext = exts[f];
            const std::string name =
                std::string(kWords[rng() % std::size(kWords)]) + std::to_string(f) + "." + ext;
            const std::string bytes = content(rng, ext, static_cast<int>(++serial));
            if (only.empty() || only == ext) {
                writefile(l4 + "/" + name, bytes);
                ++written;
            }
        }
    }
    std::printf("%ld files\n", written);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 5 && std::string(argv[1]) == "--pages") {
        return pages(argv[2], std::atol(argv[3]), static_cast<std::size_t>(std::atol(argv[4])));
    }
    if (argc < 2 || argc > 4 || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: bench_gentree DIR [FILES [EXT]]\n"
                             "       bench_gentree --pages DIR COUNT BYTES\n");
        return 2;
    }
    const long files = argc > 2 ? std::atol(argv[2]) : 100000;
    if (files < 10 || files % 10 != 0) {
        std::fprintf(stderr, "bench_gentree: FILES must be a positive multiple of 10\n");
        return 2;
    }
    return tree(argv[1], files, argc > 3 ? argv[3] : "");
}
