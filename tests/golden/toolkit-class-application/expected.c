/*
 * gauge.c - a level gauge class for the Q5 toolkit, and a small test
 * program that puts two gauges in a window.
 */
#include <stdio.h>
#include <string.h>
#include "q5toolkit.h"

#define GAUGE_TAGBASE   (Q5TAG_USER | 0x4200)
#define Q5A_Gauge_Level (GAUGE_TAGBASE + 1)
#define Q5A_Gauge_Max   (GAUGE_TAGBASE + 2)
#define Q5A_Gauge_Label (GAUGE_TAGBASE + 3)
#define Q5M_Gauge_Step  (GAUGE_TAGBASE + 10)

struct GaugeData {
    long level;
    long max;
    char label[64];
};

static void *gauge_class;

/* Redraw only when the object is visible on screen. */
#define REDRAW(cl, obj) \
    Q5DoSuper(cl, obj, Q5M_Redraw, \
              Q5T(Q5A_Redraw_Mode, Q5RM_UPDATE), \
              Q5TAG_END)

static void apply_tags(struct GaugeData *data, Q5Tag *tags)
{
    char *label = NULL;

    Q5TagGetS(tags,
             Q5ST(Q5A_Gauge_Level, &data->level),
             Q5ST(Q5A_Gauge_Max, &data->max),
             Q5ST(Q5A_Gauge_Label, &label),
             Q5TAG_END);
    if (label != NULL)
        strncpy(data->label, label, sizeof data->label - 1);
    if (data->level > data->max)
        data->level = data->max;
}

static unsigned long gauge_new(void *cl, Q5Object *obj, Q5Msg *msg)
{
    struct GaugeData *data;

    obj = (Q5Object *) Q5DoSuper(cl, obj, Q5M_New,
                                 Q5T(Q5A_Frame, Q5FRAME_GAUGE),
                                 Q5T(Q5A_Background, Q5BACK_TEXT),
                                 Q5T(Q5TAG_MORE, msg->tags));
    if (obj == NULL)
        return 0;
    data = Q5InstData(cl, obj);
    data->max = 100;
    apply_tags(data, msg->tags);
    return (unsigned long) obj;
}

static unsigned long gauge_set(void *cl, Q5Object *obj, Q5Msg *msg)
{
    apply_tags(Q5InstData(cl, obj), msg->tags);
    REDRAW(cl, obj);
    return Q5DoSuper(cl, obj, Q5M_Set, Q5T(Q5TAG_MORE, msg->tags));
}

static unsigned long gauge_step(void *cl, Q5Object *obj, long amount)
{
    struct GaugeData *data = Q5InstData(cl, obj);

    Q5SetAttrs(obj, Q5T(Q5A_Gauge_Level, data->level + amount), Q5TAG_END);
    return data->level;
}

static unsigned long gauge_dispatch(void *cl, Q5Object *obj, Q5Msg *msg)
{
    switch (msg->method) {
    case Q5M_New:        return gauge_new(cl, obj, msg);
    case Q5M_Set:        return gauge_set(cl, obj, msg);
    case Q5M_Gauge_Step: return gauge_step(cl, obj, (long) msg->tags);
    }
    return Q5DoSuper(cl, obj, msg->method, Q5T(Q5TAG_MORE, msg->tags));
}

void *make_gauge_class(void)
{
    gauge_class = Q5ClassCreate(Q5C_Area, "Gauge", sizeof(struct GaugeData), 0,
                                Q5DEFAULTCLASSTAGS,
                                Q5T(Q5A_Class_Dispatcher, gauge_dispatch),
                                Q5T(Q5A_Class_Version, 2),
                                Q5TAG_END);
    return gauge_class;
}

int main(int argc, char **argv)
{
    Q5Object *app, *win, *cpu, *mem;
    long running = 1, level = 0;
    char *title = NULL;

    if (make_gauge_class() == NULL)
        return 20;

    app = Q5AppCreate(argc, argv,
                      Q5T(Q5A_App_Title, "Gauges"),
                      Q5T(Q5A_App_Version, "$VER: gauges 1.0 (12.3.97)"),
                      Q5T(Q5A_App_Window, win = Q5New(Q5C_Window,
                          Q5A_Window_Title, "Load, (live)",
                          Q5A_Window_Content, Q5New(Q5C_Group,
                              Q5A_Group_Child, cpu = Q5New(gauge_class, Q5A_Gauge_Label, "CPU", Q5TAG_END),
                              Q5A_Group_Child, mem = Q5New(gauge_class, Q5A_Gauge_Label, "Memory", Q5TAG_END),
                              Q5TAG_END),
                          Q5TAG_END)),
                      Q5TAG_END);
    if (app == NULL)
        return 20;

    Q5Do(win, Q5M_Notify, Q5T(Q5A_Window_CloseRequest, TRUE),
         Q5T(app, 2), Q5T(Q5M_App_ReturnID, Q5ID_QUIT));
    Q5SetAttrs(win,
#ifdef GAUGE_DEBUG

               Q5T(Q5A_Window_Title, "Gauges (debug)"),
#endif

               Q5T(Q5A_Window_Open, TRUE),
               Q5TAG_END);
    Q5GetAttrs(win, Q5T(Q5A_Window_Title, &title), Q5TAG_END);
    printf("window \"%s\" open\n", title);

    while (running) {
        switch (Q5ProcessEvents(app, &running, Q5T(Q5A_Events_Wait, TRUE), Q5TAG_END)) {
        case Q5ID_QUIT:
            running = 0;
            break;
        default:
            level = (level + 7) % 100;
            Q5SetAttrs(cpu, Q5T(Q5A_Gauge_Level, level), Q5TAG_END);
            Q5Do(mem, Q5M_Gauge_Step, Q5T(3);
            break;
        }
    }

    Q5SetAttrs(win, Q5T(Q5A_Window_Open, FALSE), Q5TAG_END);
    Q5ObjectSave(app, Q5T(Q5A_Save_File, "ENV:gauges.prefs"), Q5TAG_END);
    Q5DisposeObject(app);
    return 0;
}
