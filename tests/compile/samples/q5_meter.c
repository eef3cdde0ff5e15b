/*
 * meter.c - a level meter class for the Q5 toolkit and a small program
 * that shows two of them in a window with a slider driving the first.
 */
#include <stdio.h>
#include <string.h>
#include "q5toolkit.h"

#define METER_TAGBASE   (Q5TAG_USER | 0x4200)
#define Q5A_Meter_Level (METER_TAGBASE + 1)
#define Q5A_Meter_Max   (METER_TAGBASE + 2)
#define Q5A_Meter_Label (METER_TAGBASE + 3)
#define Q5M_Meter_Step  (METER_TAGBASE + 10)

/* A tag and its value, for the lists that every meter gets. */
#define METER_FRAME Q5A_Frame, Q5FRAME_GAUGE

struct MeterData {
    long level;
    long max;
    char label[64];
};

static Q5Class *meter_class;

/* Redraw only the changed part. */
#define METER_REDRAW(cl, obj) \
    Q5DoSuper((cl), (obj), Q5M_Redraw, \
              Q5A_Redraw_Mode, Q5RM_UPDATE, \
              Q5TAG_END)

static void read_tags(struct MeterData *data, Q5Tag *tags)
{
    char *label = NULL;

    Q5TagGet(tags,
             Q5A_Meter_Level, &data->level,
             Q5A_Meter_Max, &data->max,   /* 0 keeps the old maximum */
             Q5A_Meter_Label, &label,
             Q5TAG_END);
    if (label != NULL)
        snprintf(data->label, sizeof data->label, "%s", label);
    if (data->level > data->max)
        data->level = data->max;
}

static unsigned long meter_new(Q5Class *cl, Q5Object *obj, Q5Msg *msg)
{
    struct MeterData *data;

    obj = (Q5Object *) Q5DoSuper(cl, obj, Q5M_New,
                                 METER_FRAME,
                                 Q5A_Background, Q5BACK_TEXT,
                                 Q5TAG_MORE, msg->tags);
    if (obj == NULL)
        return 0;
    data = Q5InstData(cl, obj);
    data->max = 100;
    read_tags(data, msg->tags);
    return (unsigned long) obj;
}

static unsigned long meter_set(Q5Class *cl, Q5Object *obj, Q5Msg *msg)
{
    read_tags(Q5InstData(cl, obj), msg->tags);
    METER_REDRAW(cl, obj);
    return Q5DoSuper(cl, obj, Q5M_Set, Q5TAG_MORE, msg->tags);
}

static unsigned long meter_step(Q5Class *cl, Q5Object *obj, long amount)
{
    struct MeterData *data = Q5InstData(cl, obj);

    Q5SetAttrs(obj, Q5A_Meter_Level, data->level + amount, Q5TAG_END);
    return data->level;
}

static unsigned long meter_dispatch(Q5Class *cl, Q5Object *obj, Q5Msg *msg)
{
    switch (msg->method) {
    case Q5M_New:         return meter_new(cl, obj, msg);
    case Q5M_Set:         return meter_set(cl, obj, msg);
    case Q5M_Meter_Step:  return meter_step(cl, obj, (long) msg->tags);
    }
    return Q5DoSuper(cl, obj, msg->method, Q5TAG_MORE, msg->tags);
}

static Q5Class *make_meter_class(void)
{
    meter_class = Q5ClassCreate(Q5C_Area, "Meter", sizeof(struct MeterData), 0,
                                Q5DEFAULTCLASSTAGS,
                                Q5A_Class_Dispatcher, meter_dispatch,
#if METER_VERSION > 1
                                Q5A_Class_Version, METER_VERSION,
#else
                                Q5A_Class_Version, 1,
#endif
                                Q5TAG_END);
    return meter_class;
}

int main(int argc, char **argv)
{
    Q5Object *app, *win, *group, *cpu, *mem, *slider;
    long running = 1, level = 0, max = 0;
    char *title = NULL;

    if (make_meter_class() == NULL)
        return 20;

    group = Q5New(Q5C_Group,
                  Q5A_Group_Horiz, 0,
                  Q5A_Group_Child, cpu = Q5New(meter_class, Q5A_Meter_Label, "CPU", Q5TAG_END),
                  Q5A_Group_Child, mem = Q5New(meter_class,
                                               Q5A_Meter_Label, "Memory",
                                               Q5A_Meter_Max, 1 << 20,
                                               Q5TAG_END),
                  Q5A_Group_Child, slider = Q5New(Q5C_Slider,
                                                  Q5A_Min, 0,
                                                  Q5A_Max, 100,
                                                  /* Q5A_Value, 50, */
                                                  Q5TAG_END),
                  Q5TAG_END);
    app = Q5AppCreate(argc, argv,
                      Q5A_App_Title, "Meters",
                      Q5A_App_Version, "$VER: meters 1.1 (4.2.98)",
                      Q5A_App_Window, win = Q5New(Q5C_Window,
                          Q5A_Window_Title, "Load, live",
                          Q5A_Window_Content, group,
                          Q5TAG_END),
                      Q5TAG_END);
    if (app == NULL)
        return 20;

    Q5Do(win, Q5M_Notify, Q5A_Window_CloseRequest, 1,
         Q5A_Notify_Target, app,
         Q5TAG_END);
    Q5Do(slider, Q5M_Notify, Q5A_Value, Q5TAG_IGNORE, Q5A_Notify_Target, cpu, Q5TAG_END);
    Q5SetAttrs(win,
               Q5A_Window_Open, 1,
               Q5TAG_END);
    Q5GetAttrs(win, Q5A_Window_Title, &title, Q5TAG_END);
    Q5GetAttrs(mem,
               Q5A_Meter_Level, &level,
               Q5A_Meter_Max, &max,
               Q5TAG_END);
    printf("%s: memory at %ld of %ld\n", title ? title : "?", level, max);

    while (running) {
        long id = Q5ProcessEvents(app, 1, Q5TAG_END);

        if (id == Q5ID_QUIT)
            running = 0;
        Q5Do(cpu, Q5M_Meter_Step, 1L);
    }
    Q5SetAttrs(win, Q5A_Window_Open, 0, Q5TAG_END);
    Q5Dispose(app);
    return 0;
}
