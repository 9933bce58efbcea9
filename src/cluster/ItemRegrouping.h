// ItemRegrouping: turns the unlocked hint paths into per-dimension Gaussian
// mixtures and regroups the items that are not in a locked group; also the
// density ordering of all items. The view owns the inputs (table, paths,
// groups, item records, mixtures) and calls this from its own operations:
//
//   updateGaussianMixtures  ->  buildMixtures, then applyOrdering
//   applyOrdering           ->  scoreItems, then updateClusterInfo
//   updateClusterInfo       ->  rebuildGroups
//   calculateDiff_GaussianBased -> orderByDensity
//
// Hint points are stored in view coordinates; their heights are turned into
// normalised values with the view's inverse vertical transform
// valueNorm = (yView - drawRegionOffset) / drawRegionScale.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "data/ItemScore.h"

class ClusterPath;
class GaussianMixture;
class MultidimensionalCluster;
class MultidimensionalData;

class ItemRegrouping {
public:
    // Width of the density kernel exp(-D^2 / width), D a difference-matrix
    // entry: 0.05^2 taken in single precision.
    static constexpr float kDensityKernelWidth = 0.05f * 0.05f;

    // The table is not owned and must outlive the object.
    ItemRegrouping(const MultidimensionalData* data, float drawRegionOffset, float drawRegionScale);

    // Normalised value at view height yView.
    float toValueNorm(float yView) const { return (yView - drawRegionOffset) / drawRegionScale; }

    // One mixture per dimension of the table: component k of dimension d is
    // the k-th unlocked path (ascending index) with a hint point on d, with
    // that point's value as mean and the path's peak and deviation on d.
    // Dimensions without hint points get an empty mixture. Locked paths take no part.
    std::vector<std::unique_ptr<GaussianMixture>> buildMixtures(const ClusterPath& paths) const;

    // Releases the unlocked groups into group 0, writes one record per item of
    // group 0 (ascending item order) into scores[0 ... n - 1] (growing the
    // vector if it is shorter) and scores each against the unlocked paths:
    //   - path u matches when, on every dimension d where it has a hint point,
    //     |value - hint value| <= 2 * deviation; sum = the sum over those d of
    //     exp(-diff^2 / deviation^2) (1 for diff = 0, whatever the deviation);
    //   - the item takes the matching path with the highest sum (lowest index
    //     on a tie) and scores u + 1 + sum / D, kept below u + 2;
    //   - an item that matches nothing scores 0.
    // A deviation of 0 matches only items exactly on the hint point; a
    // negative or NaN deviation matches nothing. The n records are then
    // sorted by ascending score, stably.
    void scoreItems(const ClusterPath& paths, MultidimensionalCluster& groups, std::vector<ItemScore>& scores) const;

    // Empties unlocked group 0 and puts its n items back, record k into the
    // group given by the integer part of its score (0 for a score that is
    // not a finite number >= 1). Prints "Group number is " and the number of
    // unlocked groups; sorts the groups by proximity when groupSort is on;
    // rebuilds every unlocked group's histogram. Expects the records of the
    // preceding scoreItems.
    void rebuildGroups(MultidimensionalCluster& groups, const std::vector<ItemScore>& scores, bool groupSort) const;

    // buildMixtures, scoreItems and rebuildGroups in sequence; returns the mixtures.
    std::vector<std::unique_ptr<GaussianMixture>> regroup(const ClusterPath& paths, MultidimensionalCluster& groups,
                                                         std::vector<ItemScore>& scores, bool groupSort) const;

    // Density ordering: record i = {i, sum over all items j of
    // exp(-D(i, j)^2 / kDensityKernelWidth)} for every item (growing the
    // vector if it is shorter); sorted by ascending score, stably, when
    // gaussianOrdering is on (densest last). Prints
    // "Gaussian-based optimization complete!". O(N^2), no N x N memory.
    void orderByDensity(std::vector<ItemScore>& scores, bool gaussianOrdering) const;
    // Its second half, for sums computed elsewhere (a DensityJob): the
    // records, the sort and the message.
    void applyDensity(const std::vector<float>& sums, std::vector<ItemScore>& scores, bool gaussianOrdering) const;

private:
    const MultidimensionalData* data;  // not owned
    float drawRegionOffset;            // view y of normalised value 0
    float drawRegionScale;             // view height of the normalised range [0, 1]

    // Buffers of the scoring and its sort, kept between regroupings so that a
    // drag step of a hint point does not allocate (and fault in) megabytes
    // each time. Scratch only: they carry nothing from one call to the next.
    struct Scratch {
        std::vector<uint8_t> present;       // per table item: in the catch-all group
        std::vector<ItemScore> claimed;      // the records that matched a path
        std::vector<ItemScore> sort;         // second buffer of a group's sort
    };
    mutable Scratch scratch;
};
