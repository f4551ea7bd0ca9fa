#pragma once
// Geo-referencing window: turns an own image into a stored map from three
// pins whose coordinates the user types.
#include <QTransform>
#include <QWidget>

class GMLeftbar;
class GMMap;

class GMMain : public QWidget
{
    Q_OBJECT
public:
    explicit GMMain(const QString &imagePath, QWidget *parent = nullptr);
    ~GMMain() override;

    // False when the image could not be loaded; the caller should not show
    // the window then (the user has been told).
    bool isValid() const;
    // True after a successful calculation.
    bool hasTransform() const { return m_transformValid; }
    QTransform pixelToGeo() const { return m_pixelToGeo; }

    GMLeftbar *leftbar() const { return m_leftbar; }
    GMMap *map() const { return m_map; }

    // Sidecar "<image>.ini": top-left and bottom-right corner coordinates.
    // False when there is none or it is not in the expected form.
    static bool readSidecar(const QString &imagePath, double *lon1, double *lat1, double *lon2,
                            double *lat2);

signals:
    void calculation(bool ok);
    void gmfinished(const QString &mapname, GMMain *me);

public slots:
    void calcTransMatrix();
    void addMapInDatabase();

private:
    QString m_imagePath;
    QTransform m_pixelToGeo;
    bool m_transformValid = false;
    GMLeftbar *m_leftbar = nullptr;
    GMMap *m_map = nullptr;
};
