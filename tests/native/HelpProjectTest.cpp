// The user's guide as the help compiler sees it: the project file against the pages in
// docs/help/. Every page is compiled and in the contents, every link and picture a page
// names exists and is compiled, and every dialog's F1 page exists.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "app/HelpPages.h"
#include "resources/resource.h"

namespace {

namespace fs = std::filesystem;

const fs::path kHelpFolder = fs::path(REELKEEP_SOURCE_DIR) / "docs" / "help";

std::string ReadText(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

struct HelpProject {
    std::string contentsFile, indexFile, defaultTopic;
    std::set<std::string> files;
};

HelpProject ReadProject() {
    std::istringstream lines(ReadText(kHelpFolder / "Reelkeep.hhp"));
    HelpProject project;
    std::string line, section;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        if (line.front() == '[') {
            section = line;
            continue;
        }
        if (section == "[FILES]") project.files.insert(line);
        if (section != "[OPTIONS]") continue;
        const size_t equals = line.find('=');
        const std::string key = line.substr(0, equals), value = line.substr(equals + 1);
        if (key == "Contents file") project.contentsFile = value;
        if (key == "Index file") project.indexFile = value;
        if (key == "Default topic") project.defaultTopic = value;
    }
    return project;
}

// Every value of a regex's first group in a text.
std::set<std::string> Captures(const std::string& text, const std::regex& pattern) {
    std::set<std::string> values;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern); it != std::sregex_iterator(); ++it)
        values.insert((*it)[1].str());
    return values;
}

std::set<std::string> SitemapTargets(const std::string& file) {
    static const std::regex local(R"re(<param name="Local" value="([^"]+)">)re", std::regex::icase);
    return Captures(ReadText(kHelpFolder / file), local);
}

std::set<std::string> FilesUnder(const std::string& extension) {
    std::set<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(kHelpFolder))
        if (entry.path().extension() == extension)
            found.insert(fs::relative(entry.path(), kHelpFolder).generic_string());
    return found;
}

TEST(HelpProject, EveryPageIsCompiledAndReachableFromTheContents) {
    const HelpProject project = ReadProject();
    const std::set<std::string> contents = SitemapTargets(project.contentsFile);
    ASSERT_FALSE(contents.empty());
    for (const std::string& page : FilesUnder(".html")) {
        EXPECT_TRUE(project.files.count(page)) << page << " is not in [FILES]";
        EXPECT_TRUE(contents.count(page)) << page << " is not in the contents";
    }
    EXPECT_TRUE(project.files.count(project.defaultTopic)) << project.defaultTopic;
    for (const std::string& file : project.files) EXPECT_TRUE(fs::exists(kHelpFolder / file)) << file;
}

TEST(HelpProject, ContentsAndIndexPointAtCompiledPages) {
    const HelpProject project = ReadProject();
    for (const std::string& sitemap : {project.contentsFile, project.indexFile}) {
        SCOPED_TRACE(sitemap);
        const std::set<std::string> targets = SitemapTargets(sitemap);
        EXPECT_GE(targets.size(), 8u);
        for (const std::string& target : targets) EXPECT_TRUE(project.files.count(target)) << target;
    }
}

TEST(HelpProject, EveryLinkAndPictureOfAPageExistsAndEveryPictureIsUsed) {
    const HelpProject project = ReadProject();
    static const std::regex reference(R"re((?:href|src)="([^"]+)")re", std::regex::icase);
    std::set<std::string> used;
    for (const std::string& page : FilesUnder(".html")) {
        SCOPED_TRACE(page);
        for (std::string target : Captures(ReadText(kHelpFolder / page), reference)) {
            if (target.find("://") != std::string::npos || target.rfind("mailto:", 0) == 0) continue;
            target = target.substr(0, target.find('#'));
            if (target.empty()) continue;
            used.insert(target);
            EXPECT_TRUE(fs::exists(kHelpFolder / target)) << "broken link " << target;
            EXPECT_TRUE(project.files.count(target)) << target << " is not compiled";
        }
    }
    for (const std::string& picture : FilesUnder(".png")) EXPECT_TRUE(used.count(picture)) << picture << " is unused";
}

TEST(HelpProject, EveryDialogsF1PageIsCompiled) {
    const HelpProject project = ReadProject();
    for (unsigned dialog : {IDD_WEB_IMPORT, IDD_MAIN_WINDOW, IDD_PLAYER_SETTINGS, IDD_CONVERT, IDD_GENERAL_SETTINGS,
                            IDD_BATCH_CONVERT, IDD_ABOUT}) {
        const std::wstring page = app::HelpPageOf(dialog);
        EXPECT_TRUE(project.files.count(std::string(page.begin(), page.end()))) << dialog;
    }
}

}  // namespace
