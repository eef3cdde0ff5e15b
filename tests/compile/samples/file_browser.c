/*
 * xbrowse - a two-pane file browser: directories on the left, the files
 * of the chosen directory on the right, details in a label below.
 */
#include <stdio.h>
#include <string.h>
#include <dirent.h>
#include <sys/stat.h>
#include <X11/Intrinsic.h>
#include <X11/StringDefs.h>
#include <Xm/Xm.h>
#include <Xm/PanedW.h>
#include <Xm/Form.h>
#include <Xm/List.h>
#include <Xm/Label.h>
#include <Xm/ScrolledW.h>
#include "ui_args.h"

#define VISIBLE_ITEMS 16
#define DETAIL_LINES 3

/* One browse list in a scrolled window. */
#define MAKE_LIST(var, name, parent) \
    do { \
        (var) = XmCreateScrolledList((parent), (name), NULL, 0); \
        XtVaSetValues((var), \
                      XmNvisibleItemCount, VISIBLE_ITEMS, \
                      XmNselectionPolicy, XmBROWSE_SELECT, \
                      NULL); \
    } while (0)

static Widget dir_list, file_list, details;
static char current_dir[1024] = ".";

static void show_details(const char *name)
{
    char path[2048], text[256];
    struct stat st;

    snprintf(path, sizeof path, "%s/%s", current_dir, name);
    if (stat(path, &st) != 0) {
        UI_SET_TEXT(details, "(cannot read)");
        return;
    }
    snprintf(text, sizeof text, "%s\n%ld bytes\nmode %o", name,
             (long) st.st_size, (unsigned) (st.st_mode & 07777));
    XtVaSetValues(details,
                  LABEL_ARG(text),
                  XmNalignment, XmALIGNMENT_BEGINNING,
                  NULL);
}

static void fill_lists(void)
{
    DIR *dir = opendir(current_dir);
    struct dirent *entry;
    XmString item;

    XmListDeleteAllItems(dir_list);
    XmListDeleteAllItems(file_list);
    if (dir == NULL)
        return;
    while ((entry = readdir(dir)) != NULL) {
        item = XmStringCreateLocalized(entry->d_name);
#ifdef DT_DIR
        XmListAddItemUnselected(entry->d_type == DT_DIR ? dir_list : file_list, item, 0);
#else
        XmListAddItemUnselected(file_list, item, 0);
#endif
        XmStringFree(item);
    }
    closedir(dir);
    /* XtVaSetValues(dir_list, XmNtopItemPosition, 1, NULL); */
    XtVaSetValues(file_list, XmNtopItemPosition, 1, NULL); /* first file */ /* XtVaSetValues(dir_list, XmNitemCount, 0, NULL); */
}

static void file_chosen(Widget w, XtPointer client, XtPointer call)
{
    XmListCallbackStruct *cbs = (XmListCallbackStruct *) call;
    char *name = NULL;

    (void) w; (void) client;
    name = (char *) XmStringUnparse(cbs->item, NULL, XmCHARSET_TEXT, XmCHARSET_TEXT,
                                    NULL, 0, XmOUTPUT_ALL);
    if (name != NULL)
        show_details(name);
    XtFree(name);
}

static void dir_chosen(Widget w, XtPointer client, XtPointer call)
{
    XmListCallbackStruct *cbs = (XmListCallbackStruct *) call;
    char *name;
    size_t len = strlen(current_dir);

    (void) w; (void) client;
    name = (char *) XmStringUnparse(cbs->item, NULL, XmCHARSET_TEXT, XmCHARSET_TEXT,
                                    NULL, 0, XmOUTPUT_ALL);
    if (name != NULL && len + strlen(name) + 2 < sizeof current_dir) {
        current_dir[len] = '/';
        strcpy(current_dir + len + 1, name);
        fill_lists();
        /* the label keeps its size */
        XtVaSetValues(details);
    }
    XtFree(name);
}

int main(int argc, char **argv)
{
    XtAppContext context;
    Widget toplevel, pane, form;

    toplevel = XtVaAppInitialize(&context, "XBrowse", NULL, 0, &argc, argv, NULL,
                                 RES_CAPTION, "xbrowse",
                                 NULL);
    pane = XtVaCreateManagedWidget("pane", xmPanedWindowWidgetClass, toplevel,
                                   XmNorientation, XmVERTICAL,
                                   NULL);
    form = XtVaCreateManagedWidget("lists", xmFormWidgetClass, pane,
                                   XmNfractionBase, 2,
                                   XmNpaneMinimum, 120,
                                   NULL);

    MAKE_LIST(dir_list, "dirs", form);
    XtVaSetValues(dir_list,
                  XmNdoubleClickInterval, 300,
#ifdef XmNmatchBehavior
                  XmNmatchBehavior, XmQUICK_NAVIGATE,
#endif
                  NULL);
    XtVaSetValues(XtParent(dir_list),
                  XmNtopAttachment, XmATTACH_FORM,
                  XmNbottomAttachment, XmATTACH_FORM,
                  XmNleftAttachment, XmATTACH_FORM,
                  XmNrightAttachment, XmATTACH_POSITION,
                  XmNrightPosition, 1,
                  NULL);
    MAKE_LIST(file_list, "files", form);
    XtVaSetValues(file_list,
                  XmNlistSizePolicy, XmCONSTANT,
                  XmNscrollBarDisplayPolicy, XmSTATIC,
                  NULL, NULL);
    XtVaSetValues(XtParent(file_list),
                  ATTACH_ALL_SIDES,
                  XmNleftAttachment, XmATTACH_POSITION,
                  XmNleftPosition, 1,
                  NULL);
    XtManageChild(dir_list);
    XtManageChild(file_list);
    XtAddCallback(dir_list, XmNdefaultActionCallback, dir_chosen, NULL);
    XtAddCallback(file_list, XmNbrowseSelectionCallback, file_chosen, NULL);

    details = XtVaCreateManagedWidget("details", xmLabelWidgetClass, pane,
                                      LABEL_ARG("no file chosen"),
                                      XmNpaneMinimum, 14 * DETAIL_LINES,
                                      RES_GAP, 2,
                                      NULL);
    if (argc > 1)
        snprintf(current_dir, sizeof current_dir, "%s", argv[1]);
    fill_lists();
    XtRealizeWidget(toplevel);
    XtAppMainLoop(context);
    return 0;
}
