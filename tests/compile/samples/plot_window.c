/*
 * xplot - draws a sampled function in a drawing area, with a zoom scale
 * and a scroll bar for panning.
 */
#include <stdio.h>
#include <string.h>
#include <math.h>
#include <X11/Intrinsic.h>
#include <X11/StringDefs.h>
#include <Xm/Xm.h>
#include <Xm/Form.h>
#include <Xm/DrawingA.h>
#include <Xm/Scale.h>
#include <Xm/ScrollBar.h>
#include <Xm/Label.h>
#include <Xm/PanedW.h>

#define MAX(a, b) ((a) > (b) ? (a) : (b))
#define MIN(a, b) ((a) < (b) ? (a) : (b))
#define CLAMP(v, lo, hi) MIN(MAX((v), (lo)), (hi))
#define SAMPLES 512

/* Keep a scale and its label in step. */
#define SYNC_SCALE(scale, label, v) \
    do { \
        char buf_[32]; \
        snprintf(buf_, sizeof buf_, "zoom %d%%", (v)); \
        XtVaSetValues((scale), XmNvalue, (v), NULL); \
        XtVaSetValues((label), \
                      XtVaTypedArg, XmNlabelString, XmRString, \
                          buf_, strlen(buf_) + 1, \
                      NULL); \
    } while (0)

struct plot {
    Widget area, zoom, pan, caption;
    double samples[SAMPLES];
    int zoom_percent;
    int first;
};

static struct plot plot;

static int visible_samples(void)
{
    return CLAMP(SAMPLES * 100 / MAX(plot.zoom_percent, 1), 8, SAMPLES);
}

static void fill_samples(double (*f)(double))
{
    int i;

    for (i = 0; i < SAMPLES; i++)
        plot.samples[i] = f(i * 6.283185307179586 / SAMPLES);
}

static void zoom_changed(Widget w, XtPointer client, XtPointer call)
{
    int value = 0;
    int shown;

    (void) client; (void) call;
    XtVaGetValues(w, XmNvalue, &value, NULL);
    plot.zoom_percent = value;
    shown = visible_samples();
    SYNC_SCALE(plot.zoom, plot.caption, value);
    XtVaSetValues(plot.pan,
                  XmNmaximum, SAMPLES,
                  XmNsliderSize, shown,
                  XmNvalue, MIN(plot.first, SAMPLES - shown),
                  XmNpageIncrement, MAX(shown / 2, 1),
                  NULL);
}

static void pan_changed(Widget w, XtPointer client, XtPointer call)
{
    (void) client; (void) call;
    XtVaGetValues(w, XmNvalue, &plot.first, NULL);
}

static Widget make_controls(Widget pane)
{
    Widget form;

    form = XtVaCreateManagedWidget("controls", xmFormWidgetClass, pane,
                                   XmNpaneMinimum, 40,
                                   XmNpaneMaximum, MAX(40, 2 * 32),
                                   NULL);
    plot.caption = XtVaCreateManagedWidget("caption", xmLabelWidgetClass, form,
                                           XmNleftAttachment, XmATTACH_FORM,
                                           XmNtopAttachment, XmATTACH_FORM,
                                           XmNlabelString, XmStringCreateLocalized("zoom 100%"),
                                           XmNwidth, (Dimension) MAX(80, strlen("zoom 1000%") * 8),
                                           NULL);
    plot.zoom = XtVaCreateManagedWidget("zoom", xmScaleWidgetClass, form,
                                        XmNorientation, XmHORIZONTAL,
                                        XmNminimum, 10, XmNmaximum, 1000,
                                        XmNvalue, 100,
                                        XmNleftAttachment, XmATTACH_WIDGET,
                                        XmNleftWidget, plot.caption,
                                        XmNrightAttachment, XmATTACH_FORM,
                                        XmNtopAttachment, XmATTACH_FORM,
                                        NULL);
    XtAddCallback(plot.zoom, XmNvalueChangedCallback, zoom_changed, NULL);
    XtAddCallback(plot.zoom, XmNdragCallback, zoom_changed, NULL);
    return form;
}

static void make_plot_area(Widget pane)
{
    Pixel fg = 0;

    plot.area = XtVaCreateManagedWidget("plot", xmDrawingAreaWidgetClass, pane,
                                        XmNwidth, 2 * SAMPLES / 2,
                                        XmNheight, (int) (sqrt(2.0) * 200),
                                        XmNresizePolicy, XmRESIZE_NONE,
                                        NULL);
    plot.pan = XtVaCreateManagedWidget("pan", xmScrollBarWidgetClass, pane,
                                       XmNorientation, XmHORIZONTAL,
                                       XmNmaximum, SAMPLES,
                                       XmNsliderSize, visible_samples(),
                                       XmNpaneMinimum, 16, XmNpaneMaximum, 16,
                                       NULL);
    XtAddCallback(plot.pan, XmNvalueChangedCallback, pan_changed, NULL);

    /* the area takes the scroll bar's colours */
    XtVaGetValues(plot.pan, XmNtroughColor, &fg, NULL);
    XtVaSetValues(plot.area,
                  XmNforeground, fg,
                  XmNbackground, (XtVaGetValues(plot.pan, XmNbackground, &fg, NULL), fg),
                  NULL);
}

int main(int argc, char **argv)
{
    XtAppContext context;
    Widget toplevel, pane;

    fill_samples(sin);
    plot.zoom_percent = 100;
    toplevel = XtVaAppInitialize(&context, "XPlot", NULL, 0, &argc, argv, NULL, NULL);
    pane = XtVaCreateManagedWidget("pane", xmPanedWindowWidgetClass, toplevel,
                                   XmNsashWidth, 1, XmNsashHeight, 1,
                                   NULL);
    make_controls(pane);
    make_plot_area(pane);
    /* settle the geometry before the first expose */
    XtVaSetValues(pane, NULL);
    XtVaSetValues(plot.caption,
                  XmNuserData, (XtPointer) XtVaCreateManagedWidget("hint", xmLabelWidgetClass, pane,
                                                                   XmNlabelString, XmStringCreateLocalized("drag to zoom"),
                                                                   NULL),
                  NULL);
    XtRealizeWidget(toplevel);
    XtAppMainLoop(context);
    return 0;
}
