#pragma once
// Reads a compiled help file: its objects by path, the topic numbers of its
// context map, its start page and its title. Opening is the constructor's
// work and closing the destructor's; a file that cannot be opened leaves an
// object whose IsOpen() is false and that finds nothing.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct chmFile;

namespace sorvane::app {

class TChmFile {
public:
    explicit TChmFile(const std::string& fileName);

    bool IsOpen() const { return handle_ != nullptr; }

    // The bytes of the object at `path` ("/page.html"); nothing when the
    // file holds no such object or it cannot be read whole.
    std::optional<std::vector<std::uint8_t>> Read(const std::string& path) const;
    bool Contains(const std::string& path) const;

    // The path of the page of topic number `topic`, with its "#anchor" if
    // the map names one; empty when the map lacks the number or names a
    // page the file does not hold.
    std::string TopicPath(int topic) const;
    // Every topic number of the context map with the page it leads to.
    const std::map<int, std::string>& Topics() const { return topics_; }

    // The page the file opens with ("/index.html" when it names none).
    const std::string& StartPage() const { return startPage_; }
    const std::string& Title() const { return title_; }

private:
    struct TClose {
        void operator()(chmFile* handle) const;
    };

    void ReadSystem();
    void ReadContextMap();
    // The object a page name of the file's own tables stands for.
    std::string ObjectPathOf(const std::string& pageName) const;

    std::unique_ptr<chmFile, TClose> handle_;
    std::map<int, std::string> topics_;
    std::string startPage_ = "/index.html";
    std::string title_;
};

}  // namespace sorvane::app
