// The templates shipped in data/Templates: every page has named editable parts that
// the page editor finds, and every local file a page links is in the page's own folder.
#include "u_AddFile.h"
#include "u_HTML.h"
#include "u_Links.h"
#include "u_TextUtils.h"
#include "u_HostFiles.h"
#include "u_MFS.h"
#include "u_Templates.h"

#include <gtest/gtest.h>

TEST(ShippedTemplates, PagesHaveEditablePartsAndTheirLinkedFiles) {
    TTemplates templates;
    templates.LoadFromFolder(std::string(QUARVEL_SOURCE_DIR) + "/data/Templates");
    ASSERT_GE(templates.Count(), 3);
    int companionLinks = 0;
    for (int i = 0; i < templates.Count(); ++i) {
        templates.Items(i)->ForEachPage([&](TTemplatePage& page) {
            SCOPED_TRACE(page.FileName);
            const std::string text = ReadFileText(page.FileName);
            std::string upper = text;
            for (char& c : upper)
                c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
            size_t opened = 0;
            for (size_t p = upper.find("<PAGE"); p != std::string::npos; p = upper.find("<PAGE", p + 1))
                ++opened;
            const auto parts = FindTagsIgnoreCase(text, "PAGE", "NAME");
            if (text.find("${CONTENTS}") == std::string::npos) {
                EXPECT_GE(parts.size(), 1u) << "a page to edit";
            }
            EXPECT_EQ(parts.size(), opened) << "every part is closed";
            for (const auto& part : parts)
                EXPECT_FALSE(part.AttrValue.empty());

            // Links to files of the page's own folder ("${NAME}.files/...") exist there.
            const std::string base = page.FileName.substr(0, page.FileName.rfind('.'));
            for (const TLinkRef& link : FindHtmlLinks(text).Links) {
                if (!SameTextAscii(link.Value.substr(0, 14), "${NAME}.files/"))
                    continue;
                const std::string file = base + ".files/" + link.Value.substr(14);
                EXPECT_FALSE(FindHostFileCaseBlind(file).empty()) << file;
                ++companionLinks;
            }
            return true;
        });
    }
    EXPECT_GE(companionLinks, 10) << "the photo album's pictures";
}
