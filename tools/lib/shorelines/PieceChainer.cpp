#include "PieceChainer.h"

#include <algorithm>
#include <map>
#include <utility>

namespace {

using PlaceKey = std::pair<std::int64_t, std::int64_t>;

PlaceKey KeyOf(GeoPoint p) { return {WrapLon(p.lon), p.lat}; }

// Indices of pieces by the place where they start (or end), in input order.
using PlaceIndex = std::map<PlaceKey, std::vector<std::size_t>>;

std::size_t TakeUnused(const PlaceIndex& index, PlaceKey key, const std::vector<bool>& used,
                       std::size_t exclude) {
    auto found = index.find(key);
    if (found == index.end()) return SIZE_MAX;
    for (std::size_t candidate : found->second) {
        if (!used[candidate] && candidate != exclude) return candidate;
    }
    return SIZE_MAX;
}

}  // namespace

ChainedPieces ChainPieces(const std::vector<GeoRing>& pieces) {
    ChainedPieces result;
    std::vector<std::size_t> open;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const GeoRing& piece = pieces[i];
        if (piece.empty()) continue;
        if (piece.size() > 2 && SamePlace(piece.front(), piece.back())) {
            result.rings.emplace_back(piece.begin(), piece.end() - 1);
        } else {
            open.push_back(i);
        }
    }

    PlaceIndex byStart;
    PlaceIndex byEnd;
    for (std::size_t i : open) {
        byStart[KeyOf(pieces[i].front())].push_back(i);
        byEnd[KeyOf(pieces[i].back())].push_back(i);
    }
    std::vector<bool> used(pieces.size(), false);
    for (std::size_t seed : open) {
        if (used[seed]) continue;
        // Walk back to the head of the chain first, so that a line is not split where the
        // input happened to list a middle piece before its predecessors.
        std::size_t head = seed;
        std::vector<std::size_t> walked{seed};
        while (true) {
            std::size_t before = TakeUnused(byEnd, KeyOf(pieces[head].front()), used, head);
            if (before == SIZE_MAX ||
                std::find(walked.begin(), walked.end(), before) != walked.end()) {
                break;
            }
            walked.push_back(before);
            head = before;
        }
        GeoRing chain = pieces[head];
        used[head] = true;
        std::size_t current = head;
        bool closed = false;
        while (true) {
            if (chain.size() > 2 && SamePlace(chain.front(), chain.back())) {
                closed = true;
                break;
            }
            std::size_t next = TakeUnused(byStart, KeyOf(pieces[current].back()), used, current);
            if (next == SIZE_MAX) break;
            used[next] = true;
            chain.insert(chain.end(), pieces[next].begin() + 1, pieces[next].end());
            current = next;
        }
        if (closed) {
            chain.pop_back();
            result.rings.push_back(std::move(chain));
        } else {
            result.lines.push_back(std::move(chain));
        }
    }
    return result;
}
