#pragma once
// The self-contained zone pictures of the preview window and the report: the top picture
// (plan with signed grid, objects, zone outlines and labelled radii) and the front picture
// (elevation with silhouettes, zones and dimension lines below the ground).

#include "calc/records.h"
#include "plan/drawingsettings.h"
#include "plan/planview.h"

#include <QImage>
#include <optional>
#include <string>
#include <vector>

namespace kv {

struct UnderlayPicture;

struct ZonePictures {
    QImage top;
    QImage front;
    // Non-empty when a picture would be too large to draw (see pictureTooLarge): the message,
    // and both images are null.
    std::string refused;
};

// frontImageHeight: the height of the project window's front image, that is the height of the
// tallest front shape of the shape model. The suffix is "" (design) or "1" (chosen). An
// underlay, when given, lies beneath the top picture's grid at true scale.
ZonePictures RenderZonePictures(const ProjectSnapshot &snap, const DrawingSettings &settings,
                                const std::string &suffix, int frontImageHeight,
                                const UnderlayPicture *underlay = nullptr);
// The same with the front image height taken from a shape model showing the project, and the
// underlay the model shows (the top view's, when it is shown).
ZonePictures RenderZonePictures(const ProjectSnapshot &snap, const PlanViewModel &model,
                                const std::string &suffix);
// Headless form: builds the shape model of the project itself, so the CLI and the project
// window render the same pictures.
ZonePictures RenderZonePictures(const ProjectSnapshot &snap, const DrawingSettings &settings,
                                const std::string &suffix,
                                const UnderlayPicture *underlay = nullptr);

// The front picture with the arcs of the rolling sphere of radius R over it (the report's
// drawing of the sphere check). A null image with `refused` set when it would be too large.
QImage RenderSphereFront(const ProjectSnapshot &snap, const DrawingSettings &settings,
                         const std::string &suffix, double R, std::string &refused);

// The preview's choice of conductor values: the chosen construction ("1") when the first
// conductor row has one, else the design values (""); nullopt when neither has been computed
// (the preview then shows kMsgPreviewImpossible).
std::optional<std::string> previewSuffix(const ProjectSnapshot &snap);
inline constexpr const char *kMsgPreviewImpossible =
    "Просмотр невозможен. Необходимо выполнить ориентировочный подбор или выбор молниеотвода.";

// An angle interval (whole degrees) that an object hides from a rod or support.
struct BlockedInterval {
    int smallest = 0;
    int largest = 0;
};
// nullopt when the point lies in or on the object's rectangle.
std::optional<BlockedInterval> blockedInterval(const ObjectRec &obj, double xc, double yc);
// The first free angle from a, stepping by one degree while inside some interval and a has not
// passed the limit.
int searchFreeAngle(const std::vector<BlockedInterval> &list, int a, int limit);

} // namespace kv
