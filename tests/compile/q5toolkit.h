/*
 * q5toolkit.h - a stand-in for the toolkit's public header, just large
 * enough for the compile check's samples and generated programs: the
 * varargs calls the tool converts, with standard C types only, and the tag
 * constants the samples use.  The real header is not needed (nor wanted)
 * to see whether a converted call still has the shape of a call.
 */
#ifndef Q5TOOLKIT_H
#define Q5TOOLKIT_H

#include <stddef.h>

typedef unsigned long Q5Tag;

typedef struct Q5Object Q5Object;
typedef struct Q5Class Q5Class;

typedef struct Q5Msg {
    unsigned long method;
    Q5Tag *tags;
} Q5Msg;

typedef unsigned long (*Q5Dispatcher)(Q5Class *cl, Q5Object *obj, Q5Msg *msg);

#define Q5TAG_END   0UL
#define Q5TAG_IGNORE 1UL
#define Q5TAG_MORE  2UL
#define Q5TAG_SKIP  3UL
#define Q5TAG_USER  0x80000000UL
#define Q5RA_Done   0xffffUL

/* Marks, in a class's tag list, the place of the tags every class has. */
#define Q5DEFAULTCLASSTAGS Q5A_Class_Defaults

/* Attributes (tags); enum constants, as the toolkit declares them. */
enum {
    Q5A_Width = 0x1001,
    Q5A_Height,
    Q5A_Left,
    Q5A_Top,
    Q5A_Title,
    Q5A_Label,
    Q5A_Disabled,
    Q5A_Selected,
    Q5A_Value,
    Q5A_Min,
    Q5A_Max,
    Q5A_Frame,
    Q5A_Background,
    Q5A_Font,
    Q5A_UserData,
    Q5A_Window_Title,
    Q5A_Window_Content,
    Q5A_Window_CloseRequest,
    Q5A_Window_Open,
    Q5A_Group_Child,
    Q5A_Group_Horiz,
    Q5A_Group_Spacing,
    Q5A_App_Title,
    Q5A_App_Version,
    Q5A_App_Window,
    Q5A_Class_Defaults,
    Q5A_Class_Dispatcher,
    Q5A_Class_Version,
    Q5A_Redraw_Mode,
    Q5A_Notify_Target
};

/* Methods. */
enum {
    Q5M_New = 0x2001,
    Q5M_Dispose,
    Q5M_Set,
    Q5M_Get,
    Q5M_Redraw,
    Q5M_Notify,
    Q5M_App_ReturnID,
    Q5M_Group_Add
};

enum { Q5FRAME_NONE, Q5FRAME_BUTTON, Q5FRAME_GAUGE, Q5FRAME_GROUP };
enum { Q5BACK_NONE, Q5BACK_TEXT, Q5BACK_FILL };
enum { Q5RM_FULL, Q5RM_UPDATE };
enum { Q5ID_NONE, Q5ID_QUIT = -1 };

extern Q5Class *Q5C_Area, *Q5C_Window, *Q5C_Group, *Q5C_Button, *Q5C_Text,
               *Q5C_Slider, *Q5C_Application;

/* Attributes. */
unsigned long Q5SetAttrs(Q5Object *obj, ...);
unsigned long Q5GetAttrs(Q5Object *obj, ...);
unsigned long Q5SetClassAttrs(Q5Class *cl, ...);
unsigned long Q5GetClassAttrs(Q5Class *cl, ...);

/* Methods and messages. */
unsigned long Q5Do(Q5Object *obj, unsigned long method, ...);
unsigned long Q5Do2(Q5Object *obj, unsigned long method, unsigned long a, ...);
unsigned long Q5DoSuper(Q5Class *cl, Q5Object *obj, unsigned long method, ...);
unsigned long Q5SendMsg(Q5Object *obj, unsigned long method, ...);
unsigned long Q5DoClass(Q5Class *cl, unsigned long method, ...);

/* Objects and classes. */
Q5Object *Q5New(Q5Class *cl, ...);
Q5Object *Q5ObjectCreate(const char *name, ...);
Q5Class *Q5ClassCreate(Q5Class *super, const char *name, size_t data_size,
                       unsigned long flags, ...);
void *Q5InstData(Q5Class *cl, Q5Object *obj);
void Q5Dispose(Q5Object *obj);

/* Tag lists. */
unsigned long Q5TagGet(const Q5Tag *tags, ...);
unsigned long Q5TagSet(Q5Tag *tags, ...);
Q5Tag *Q5TagCopy(const Q5Tag *tags, ...);

/* Application. */
Q5Object *Q5AppCreate(int argc, char **argv, ...);
long Q5ProcessEvents(Q5Object *app, unsigned long wait, ...);

#endif
