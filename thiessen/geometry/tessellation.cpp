#include "thiessen/geometry/tessellation.h"

#include "thiessen/geometry/convex_clip.h"
#include "thiessen/geometry/site_index.h"

#include <algorithm>
#include <limits>

namespace thiessen {

namespace {

// The label of a cell's edges that lie on the box.
constexpr std::size_t NoSite = std::numeric_limits<std::size_t>::max();

constexpr double Infinity = std::numeric_limits<double>::infinity();

// How many of a site's nearest sites its cell is first cut by: enough that
// for most sites of a network no other site can cut it further, which spares
// checking its corners.
constexpr std::size_t FirstCuts = 16;

double Distance2(Site a, Site b)
{
    return (a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y);
}

// A line and the side of it, (point - middle) . normal <= 0, that is nearer
// to one site than to another.
struct Line {
    Site middle, normal;
};

// The lines halfway between sites, from the sites where they are given and
// from the tessellation's origin.
struct Bisectors {
    const std::vector<Site>& given;
    const std::vector<Site>& local;

    // The line halfway between two sites. Its direction is taken from the
    // sites as given, where the difference of two near sites is exact; from
    // the origin it would carry the rounding of both, which turns the line
    // between near-duplicates.
    Line Between(std::size_t site, std::size_t other) const
    {
        return {{(local[site].x + local[other].x) / 2, (local[site].y + local[other].y) / 2},
                {given[other].x - given[site].x, given[other].y - given[site].y}};
    }
};

// A convex cell whose edges know the site across them: across[k] is the site
// beyond the edge from corners[k] to the next corner.
// A corner once found to have no site nearer than the cell's own is checked:
// cutting the cell further keeps it where it is or takes it away.
struct LabelledCell {
    Ring corners;
    std::vector<std::size_t> across;
    std::vector<char> checked;
};

// Cuts a cell down to the part behind a line and labels the edge along the
// line. A corner on the line stays, and so does the label of the edge leaving
// it unless that edge now runs along the line.
void Cut(LabelledCell& cell, LabelledCell& scratch, const Line& line, std::size_t label)
{
    auto side = [&](Site s) {
        return (s.x - line.middle.x) * line.normal.x + (s.y - line.middle.y) * line.normal.y;
    };
    if (std::none_of(cell.corners.begin(), cell.corners.end(), [&](Site s) { return side(s) > 0; }))
        return;
    scratch.corners.clear();
    scratch.across.clear();
    scratch.checked.clear();
    auto keep = [&](Site corner, std::size_t across, char checked) {
        scratch.corners.push_back(corner);
        scratch.across.push_back(across);
        scratch.checked.push_back(checked);
    };
    const std::size_t count = cell.corners.size();
    for (std::size_t k = 0; k < count; ++k) {
        const Site a = cell.corners[k], b = cell.corners[(k + 1) % count];
        const double sideA = side(a), sideB = side(b);
        auto crossing = [&] {
            const double t = sideA / (sideA - sideB);
            return Site{a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)};
        };
        if (sideA < 0) {
            keep(a, cell.across[k], cell.checked[k]);
            if (sideB > 0)
                keep(crossing(), label, 0);
        } else if (sideA == 0) {
            keep(a, sideB > 0 ? label : cell.across[k], cell.checked[k]);
        } else if (sideB < 0) {
            keep(crossing(), cell.across[k], 0);
        }
    }
    std::swap(cell, scratch);
}

// Whether no site but those a cell was cut by can cut it further: a site
// that cuts it is nearer than its site to one of its corners, so closer to
// its site than twice the farthest corner. The cell was cut by all the sites
// nearer than the last of the nearest (and by every site, when there are no
// more).
bool Settled(const Ring& corners, Site site, const std::vector<SiteIndex::Found>& nearest,
             std::size_t asked)
{
    if (nearest.size() < asked)
        return true;
    double reach2 = 0;
    for (const Site& corner : corners)
        reach2 = std::max(reach2, Distance2(corner, site));
    // With room for rounding: where it is close, the corners are checked.
    return 4 * reach2 * (1 + 1e-6) < nearest.back().distance2;
}

// Builds the cells one after the other, reusing its memory.
class CellBuilder {
public:
    CellBuilder(const Bisectors& sites, const SiteIndex& index, const Ring& box)
        : sites_(sites), index_(index), box_(box)
    {
    }

    // The box cut by the half-planes of the site's nearest sites, then,
    // unless they are all that can cut it, by those of any site nearer than
    // it to a corner of the cell, until there is none. A convex cell none of
    // whose corners is nearer to another site lies wholly on its site's side
    // of every bisector, so it is the Voronoi cell, whatever the sites'
    // arrangement; sites on one circle only add edges as short as rounding.
    const LabelledCell& Build(std::size_t site)
    {
        const Site p = sites_.local[site];
        cell_.corners = box_;
        cell_.across.assign(box_.size(), NoSite);
        cell_.checked.assign(box_.size(), 0);
        cutBy_.clear();
        index_.Nearest(p, FirstCuts + 1, Infinity, nearest_);
        for (const SiteIndex::Found& found : nearest_)
            if (found.site != site)
                CutBy(site, found.site);
        const bool settled = Settled(cell_.corners, p, nearest_, FirstCuts + 1);
        std::size_t k = 0;
        while (!settled && k < cell_.corners.size()) {
            if (cell_.checked[k]) {
                ++k;
                continue;
            }
            const Site corner = cell_.corners[k];
            index_.Nearest(corner, 1, Distance2(corner, p), nearest_);
            if (!nearest_.empty() && nearest_[0].site != site &&
                std::find(cutBy_.begin(), cutBy_.end(), nearest_[0].site) == cutBy_.end()) {
                CutBy(site, nearest_[0].site);
                k = 0;
            } else {
                cell_.checked[k] = 1;
                ++k;
            }
        }
        return cell_;
    }

private:
    void CutBy(std::size_t site, std::size_t other)
    {
        cutBy_.push_back(other);
        Cut(cell_, scratch_, sites_.Between(site, other), other);
    }

    const Bisectors& sites_;
    const SiteIndex& index_;
    const Ring& box_;
    LabelledCell cell_, scratch_;
    std::vector<std::size_t> cutBy_;
    std::vector<SiteIndex::Found> nearest_;
};

Ring RingOf(const Box& box)
{
    return {{box.minX, box.minY}, {box.maxX, box.minY}, {box.maxX, box.maxY}, {box.minX, box.maxY}};
}

} // namespace

Tessellation::Tessellation(std::vector<Site> sites, Box around) : sites_(std::move(sites))
{
    for (const Site& site : sites_)
        around = {std::min(around.minX, site.x), std::min(around.minY, site.y),
                  std::max(around.maxX, site.x), std::max(around.maxY, site.y)};
    double margin = std::max(around.maxX - around.minX, around.maxY - around.minY);
    if (!(margin > 0))
        margin = 1;
    bounds_ = {around.minX - margin, around.minY - margin, around.maxX + margin,
               around.maxY + margin};
    origin_ = {(bounds_.minX + bounds_.maxX) / 2, (bounds_.minY + bounds_.maxY) / 2};
    for (const Site& site : sites_)
        local_.push_back({site.x - origin_.x, site.y - origin_.y});

    const SiteIndex index(local_);
    const Bisectors bisectors{sites_, local_};
    const Ring box = RingOf({bounds_.minX - origin_.x, bounds_.minY - origin_.y,
                             bounds_.maxX - origin_.x, bounds_.maxY - origin_.y});
    CellBuilder builder(bisectors, index, box);
    localCells_.resize(sites_.size());
    neighbours_.resize(sites_.size());
    for (std::size_t site : index.Order()) {
        const LabelledCell& cell = builder.Build(site);
        localCells_[site] = cell.corners;
        for (std::size_t across : cell.across)
            if (across != NoSite)
                neighbours_[site].push_back(across);
    }
    // A cell's edge may be found from one side only where it is as short as
    // rounding.
    std::vector<std::size_t> found(sites_.size());
    for (std::size_t site = 0; site < sites_.size(); ++site)
        found[site] = neighbours_[site].size();
    for (std::size_t site = 0; site < sites_.size(); ++site)
        for (std::size_t k = 0; k < found[site]; ++k)
            neighbours_[neighbours_[site][k]].push_back(site);
    for (std::vector<std::size_t>& neighbours : neighbours_) {
        std::sort(neighbours.begin(), neighbours.end());
        neighbours.erase(std::unique(neighbours.begin(), neighbours.end()), neighbours.end());
    }

    for (const Ring& cell : localCells_) {
        localBoxes_.push_back(BoxOf(cell));
        cells_.push_back(ConvexHull(Placed(cell)));
    }
}

// A ring where it lies on the plane, rounded to the coordinates there: a cell
// is convex before it is placed, and its hull after.
Ring Tessellation::Placed(Ring ring) const
{
    for (Site& corner : ring)
        corner = {corner.x + origin_.x, corner.y + origin_.y};
    return ring;
}

std::vector<std::vector<std::size_t>>
Tessellation::GroupsOf(const std::vector<std::size_t>& missing) const
{
    std::vector<char> grouped(missing.size(), 0);
    std::vector<std::vector<std::size_t>> groups;
    for (std::size_t start = 0; start < missing.size(); ++start) {
        if (grouped[start])
            continue;
        grouped[start] = 1;
        std::vector<std::size_t> members{missing[start]};
        for (std::size_t k = 0; k < members.size(); ++k)
            for (std::size_t neighbour : neighbours_[members[k]]) {
                const auto at = std::lower_bound(missing.begin(), missing.end(), neighbour);
                if (at != missing.end() && *at == neighbour && !grouped[at - missing.begin()]) {
                    grouped[at - missing.begin()] = 1;
                    members.push_back(neighbour);
                }
            }
        std::sort(members.begin(), members.end());
        groups.push_back(std::move(members));
    }
    return groups;
}

// The group's cells go to the sites around it: the neighbours of its
// members. (When one site is left out, its cell goes to its neighbours; by
// induction, the cells of a group go to the neighbours of the group.) Inside
// the lost cells, each taker's new cell is its cell among the takers alone:
// a lost cell cut by the lines halfway between the taker and the others.
std::vector<Tessellation::Handover>
Tessellation::HandoversWithout(const std::vector<std::size_t>& group) const
{
    std::vector<std::size_t> takers;
    for (std::size_t lost : group)
        for (std::size_t neighbour : neighbours_[lost])
            if (!std::binary_search(group.begin(), group.end(), neighbour))
                takers.push_back(neighbour);
    std::sort(takers.begin(), takers.end());
    takers.erase(std::unique(takers.begin(), takers.end()), takers.end());
    std::vector<Handover> handovers;
    if (takers.empty())
        return handovers;

    const Bisectors bisectors{sites_, local_};
    Ring scratch;
    std::vector<std::size_t> others;
    // Cut by the nearest takers first, which leave the least to cut.
    auto keepNearest = [&](std::size_t taker, Ring& ring) {
        others.clear();
        for (std::size_t other : takers)
            if (other != taker)
                others.push_back(other);
        std::sort(others.begin(), others.end(), [&](std::size_t a, std::size_t b) {
            return Distance2(local_[a], local_[taker]) < Distance2(local_[b], local_[taker]);
        });
        for (std::size_t k = 0; k < others.size() && !ring.empty(); ++k) {
            const Line line = bisectors.Between(taker, others[k]);
            KeepBehind(ring, line.middle, line.normal, scratch);
            std::swap(ring, scratch);
        }
    };
    Box lost = localBoxes_[group[0]];
    for (std::size_t member : group) {
        const Box& box = localBoxes_[member];
        lost = {std::min(lost.minX, box.minX), std::min(lost.minY, box.minY),
                std::max(lost.maxX, box.maxX), std::max(lost.maxY, box.maxY)};
    }
    if (!(lost.minX < lost.maxX && lost.minY < lost.maxY))
        return handovers; // cells that rounding has left empty
    Ring piece;
    for (std::size_t k = 0; k < takers.size(); ++k) {
        // Where a group has several cells, the taker's new cell around them
        // all tells which of them it takes a piece of.
        Box taken = lost;
        if (group.size() > 1) {
            Ring around = RingOf(lost);
            keepNearest(takers[k], around);
            if (around.size() < 3)
                continue;
            taken = BoxOf(around);
        }
        for (std::size_t member : group) {
            if (!Overlap(localBoxes_[member], taken))
                continue;
            piece = localCells_[member];
            keepNearest(takers[k], piece);
            if (RingArea(piece) > 0)
                handovers.push_back({takers[k], member, ConvexHull(Placed(piece))});
        }
    }
    return handovers;
}

} // namespace thiessen
