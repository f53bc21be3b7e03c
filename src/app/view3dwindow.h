#pragma once
// The 3D view of the open project: a window beside the project window showing the ground, the
// objects, the conductor and the zones shown on the plans as solids. It follows every change of
// the document; the mouse turns (left button), shifts (right or middle button, or Shift with the
// left) and zooms (wheel) the view. Drawn through OpenGL where the platform has it, otherwise by
// the same renderer in software.

#include "app/sphereoverlay.h"
#include "calc/rollingsphere.h"
#include "plan/scene3d.h"

#include <QWidget>

class QCheckBox;
class QPushButton;

namespace kv {

class ProjectDocument;

// The drawing surface with its camera; it handles the mouse itself.
class View3DCanvas : public QWidget {
public:
    explicit View3DCanvas(QWidget *parent = nullptr);

    void setScene(Scene3D scene) { m_scene = std::move(scene); refresh(); }
    const Scene3D &scene() const { return m_scene; }
    Camera3D &camera() { return m_camera; }
    void refresh();
    // True when the picture goes through OpenGL.
    bool usesOpenGL() const { return m_gl != nullptr; }
    // The current picture rendered at the canvas size.
    QImage picture() const;

    void paintScene(QPainter &p, const QSize &size) const;

protected:
    void paintEvent(QPaintEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void wheelEvent(QWheelEvent *e) override;

private:
    Scene3D m_scene;
    Camera3D m_camera;
    QWidget *m_gl = nullptr;
    QPoint m_last;
    bool m_orbit = false, m_pan = false;
};

class View3DWindow : public QWidget {
    Q_OBJECT
public:
    explicit View3DWindow(ProjectDocument &doc, QWidget *parent = nullptr);

    View3DCanvas *canvas() const { return m_canvas; }
    // Rebuilds the scene from the document now (it is otherwise rebuilt once per event-loop pass
    // after a change).
    void rebuild();
    // The number of scene builds so far, for tests that wait for a change to arrive.
    int builds() const { return m_builds; }
    // The rolling-sphere check as the project window shows it: while it is shown, its envelope
    // at its level's radius (unless "Огибающая сферы" is unticked) and the objects it reaches in
    // red.
    void setSphere(const SphereOverlay &sphere);
    QCheckBox *sphereBox() const { return m_sphereBox; }

private:
    void scheduleRebuild();
    void preset(Camera3D::Preset p);
    void saveImage();

    const Mesh3 *sphereEnvelope(const ProjectSnapshot &snap);

    ProjectDocument &m_doc;
    View3DCanvas *m_canvas = nullptr;
    QCheckBox *m_sphereBox = nullptr;
    SphereOverlay m_sphere;
    // The last envelope and what it was built from: a drag of an object leaves it as it is.
    struct EnvelopeCache {
        bool valid = false;
        double R = 0;
        SphereTerminations terms;
        Mesh3 mesh;
    } m_envelope;
    bool m_queued = false;
    bool m_fitted = false;
    int m_builds = 0;
};

} // namespace kv
