#pragma once
// Which files of a folder are photos, their creation-date keys and the order of
// the photo list.

#include "base/FString.h"

#include <cstdint>
#include <vector>

struct FPhotoEntry
{
    FString path;      // folder + "/" + the file's real name
    FString upperName; // the name upper-cased: what the tests and the name order use
    int32_t dateKey = 0;
    int32_t dateMilliseconds = 0; // within dateKey's second, where the photo's EXIF says
};

// Photos are files whose upper-cased name contains ".JPG", ".BMP", ".TGA" or
// ".PNG" anywhere, or ends in ".JPEG", ".JPE", ".HEIC", ".HEIF", ".AVIF", ".WEBP",
// ".TIF" or ".TIFF", and does not contain "_ALPHA".
bool IsPhotoFileName(const FString& upperName);

// Minutes-and-seconds key of a UTC calendar time, in wrapping 32-bit arithmetic.
int32_t DateKeyFromCalendar(int year, int month, int day, int hour, int minute, int second);
// Key of the file's creation (birth) time, or of its last change where the file
// system keeps no birth time; 0 when the file cannot be read.
int32_t PhotoDateKey(const FString& path);

// Appends the folder's photos in listing order, at most maxCount. False when the
// folder cannot be listed (out then holds nothing new).
bool ListPhotos(const FString& folder, int maxCount, std::vector<FPhotoEntry>& out, FString* error = nullptr);

// The date each photo was taken, where its EXIF block says (with the offset from
// UTC, or else as local time here), replaces the file's date: copies keep their
// real order. Reads a few small pieces of each file.
void ReadDatesTaken(std::vector<FPhotoEntry>& photos);

// Ascending by upper-cased name (code units) or by date key (then milliseconds);
// equal entries keep their listing order.
void SortPhotos(std::vector<FPhotoEntry>& photos, bool byDate);
