#pragma once

class QPieSeries;

// Colours the slices of a rating pie by their labels (the rating words).
void ColorPieByRating(QPieSeries* series);
