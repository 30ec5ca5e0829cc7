// The temporary folder of a test: made in the host's temporary folder (TMPDIR when it
// is set), with a name no other test uses, and removed with everything in it when the
// object goes. Every test and benchmark writes its files here, never to a fixed path.
#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <system_error>

class TTempFolder {
public:
    explicit TTempFolder(const std::string& Prefix = "quarvel-test") {
        namespace fs = std::filesystem;
        static std::atomic<unsigned> counter{0};
        std::random_device device;
        const fs::path base = fs::temp_directory_path();
        for (int attempt = 0; attempt < 100 && FPath.empty(); ++attempt) {
            const std::string name = Prefix + "-" + std::to_string(device() % 1000000) + "-" +
                                     std::to_string(counter++);
            std::error_code ec;
            if (fs::create_directory(base / name, ec) && !ec)
                FPath = (base / name).generic_string();
        }
        if (FPath.empty())
            throw std::runtime_error("no temporary folder could be made in " + base.string());
    }
    ~TTempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(FPath, ec);
    }
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;

    // The folder, with "/" separators.
    const std::string& Path() const { return FPath; }
    // A path inside it.
    std::string File(const std::string& Name) const { return FPath + "/" + Name; }

private:
    std::string FPath;
};
