// Every resource parser on every fixture resource it reads, cut short at each
// length and damaged at random: cut short it refuses, damaged it may accept or
// refuse, and it never reads outside the bytes it was given (each copy lies
// against a guard page, so a stray read faults in any build).
#include "fixture.h"
#include "fixture_access.h"
#include "resources/DialogTemplate.h"
#include "resources/EmbeddedResources.h"
#include "resources/IconImage.h"
#include "resources/ResourceFile.h"
#include "resources/VersionInfo.h"

#include <string>

using namespace platform::resources;

namespace {

struct ParsedResource {
    std::string name;
    std::span<BYTE const> data;
    bool (*parses)(std::span<BYTE const>);
    // The resource file still parses when cut between two entries: its own
    // test says where.
    bool every_truncation_refused;
    int damage_rounds;
};

bool parses_dialog(std::span<BYTE const> data) { return parse_dialog_template(data).has_value(); }
bool parses_group_icon(std::span<BYTE const> data) { return parse_group_icon(data).has_value(); }
bool parses_icon_image(std::span<BYTE const> data) { return parse_icon_image(data).has_value(); }
bool parses_version(std::span<BYTE const> data) { return parse_version_info(data).has_value(); }
bool parses_resource_file(std::span<BYTE const> data) { return parse_resource_file(data).has_value(); }

std::vector<ParsedResource> parsed_resources()
{
    std::vector<ParsedResource> rows {
        { "classic dialog", fixture::resource(RT_DIALOG, IDD_CLASSIC), parses_dialog, true, 3000 },
        { "extended dialog", fixture::resource(RT_DIALOG, IDD_EXTENDED), parses_dialog, true, 3000 },
        { "dialog without items", fixture::resource(RT_DIALOG, IDD_NO_ITEMS), parses_dialog, true, 0 },
        { "icon group", fixture::resource(RT_GROUP_ICON, IDI_FIXTURE), parses_group_icon, true, 3000 },
        { "version record", fixture::resource(RT_VERSION, VS_VERSION_INFO), parses_version, true, 3000 },
        { "resource file", embedded_module_resources(), parses_resource_file, false, 500 },
    };
    if (auto const group = parse_group_icon(fixture::resource(RT_GROUP_ICON, IDI_FIXTURE))) {
        for (auto const& entry : group->entries)
            rows.push_back({ "icon image " + std::to_string(entry.id), fixture::resource(RT_ICON, entry.id),
                             parses_icon_image, true, 3000 });
    }
    return rows;
}

TEST(ResourceParsers, EveryTruncationIsRefused)
{
    for (auto const& row : parsed_resources()) {
        if (!row.every_truncation_refused)
            continue;
        SCOPED_TRACE(row.name);
        fixture::expect_every_truncation_refused(row.data, row.parses);
    }
}

TEST(ResourceParsers, RandomDamageStaysWithinTheData)
{
    auto const rows = parsed_resources();
    EXPECT_GT(rows.size(), 6u) << "the icon group names its images";
    for (auto const& row : rows) {
        if (row.damage_rounds == 0)
            continue;
        SCOPED_TRACE(row.name);
        fixture::survive_random_damage(row.data, row.parses, row.damage_rounds);
    }
}

// The size of a template given only by its address comes from the same walk
// as the parse: the whole template where it parses, nothing where it is cut.
TEST(ResourceParsers, TemplateSizeIsWhereTheWalkEnds)
{
    for (WORD id : { IDD_CLASSIC, IDD_EXTENDED, IDD_NO_ITEMS }) {
        SCOPED_TRACE("dialog " + std::to_string(id));
        auto const data = fixture::resource(RT_DIALOG, id);
        test_support::GuardedBuffer guarded(data.size());
        std::size_t const size = dialog_template_size(guarded.at_end(data));
        // The resource may hold padding after the last item's data.
        EXPECT_GT(size, data.size() - 4);
        EXPECT_LE(size, data.size());
        for (std::size_t length = 0; length < size; ++length)
            EXPECT_EQ(dialog_template_size(guarded.at_end(data.first(length))), 0u) << length;
    }
}

}
