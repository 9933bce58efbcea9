#include "data/FieldNormaliser.h"

#include <cmath>

#include "data/CsvRecords.h"
#include "data/DateText.h"
#include "data/MultidimensionalData.h"
#include "data/NumberText.h"

FieldNormaliser::FieldNormaliser(const MultidimensionalData& table, int dim)
    : columnKind(table.getAxisColumn(dim).kind),
      scale(table.getAxisScale(dim)),
      plainScale(scale.minRaw, scale.maxRaw) {
    const TableColumn& column = table.getAxisColumn(dim);
    // A numeric column's extremes are its scale's.
    if (columnKind == ColumnKind::Date) {
        firstSeconds = column.minValue;
        lastSeconds = column.maxValue;
    } else if (columnKind == ColumnKind::Categorical) {
        const size_t categories = column.categories.size();
        for (size_t rank = 0; rank < categories; ++rank) {
            categoryNorm.emplace(column.categories[rank],
                                 categories > 1 ? static_cast<float>(rank) / static_cast<float>(categories - 1)
                                                : MultidimensionalData::kConstantDimensionValue);
        }
    }
}

float FieldNormaliser::valueNorm(const char* begin, const char* end, std::string* scratch, Outcome* outcome) const {
    Outcome result = Outcome::Missing;
    float value = MultidimensionalData::kMissingValueNorm;
    double rawValue = 0;  // number, seconds or category rank
    if (columnKind == ColumnKind::Numeric) {
        fieldTextRange(&begin, &end, scratch);
        float raw = 0;
        if (parseNumberField(begin, end, &raw) == FieldStatus::Number) {
            // As the loader placed the table's own values (AxisScale::normalise), without holding values beyond the ends.
            value = plainScale.normaliseBeyond(static_cast<double>(raw));
            rawValue = raw;
            result = Outcome::Value;
        }
    } else {
        *scratch = boundedFieldText(CsvField{begin, end});
        const char* text = scratch->data();
        const char* textEnd = text + scratch->size();
        if (!isMissingText(text, textEnd)) {
            if (columnKind == ColumnKind::Date) {
                double seconds = 0;
                bool hasTime = false;
                if (parseIsoDateTime(text, textEnd, &seconds, &hasTime)) {
                    value = lastSeconds > firstSeconds
                                ? static_cast<float>((seconds - firstSeconds) / (lastSeconds - firstSeconds))
                                : MultidimensionalData::kConstantDimensionValue;
                    rawValue = seconds;
                    result = Outcome::Value;
                }
            } else {
                const auto found = categoryNorm.find(*scratch);
                if (found != categoryNorm.end()) {
                    value = found->second;
                    result = Outcome::Value;
                } else {
                    result = Outcome::UnknownCategory;
                }
            }
        }
    }
    if (result == Outcome::Value && !scale.isPlain()) value = onScale(value, rawValue);
    if (outcome != nullptr) *outcome = result;
    return value;
}

float FieldNormaliser::onScale(float plainNorm, double raw) const {
    // The table turned each of its values from its plain normalised value: the same steps give the same bits.
    if (plainNorm >= 0.0f && plainNorm <= 1.0f) return scale.normalise(plainScale.toRaw(plainNorm));
    return scale.normaliseBeyond(raw);
}
