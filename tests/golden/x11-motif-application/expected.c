/*
 * xnotes - a small Motif note viewer.
 *
 * Builds a main window with a menu bar, a scrolled text area, a status
 * line and a few dialogs.  Widget resources are set through the Xt
 * varargs interface throughout.
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <X11/Intrinsic.h>
#include <X11/StringDefs.h>
#include <Xm/Xm.h>
#include <Xm/MainW.h>
#include <Xm/Form.h>
#include <Xm/RowColumn.h>
#include <Xm/CascadeB.h>
#include <Xm/PushB.h>
#include <Xm/ToggleB.h>
#include <Xm/Label.h>
#include <Xm/Text.h>
#include <Xm/Separator.h>
#include <Xm/MessageB.h>
#include <Xm/FileSB.h>

#define APP_CLASS "XNotes"
#define MARGIN 4
#define STATUS_HEIGHT 24

/* Attach a widget to all four sides of its form, with a margin. */
#define ATTACH_ALL(w, m) \
    XtVaSetValues((w), \
                  Q5LT(XmNtopAttachment, XmATTACH_FORM), \
                  Q5LT(XmNbottomAttachment, XmATTACH_FORM), \
                  Q5LT(XmNleftAttachment, XmATTACH_FORM), \
                  Q5LT(XmNrightAttachment, XmATTACH_FORM), \
                  Q5LT(XmNtopOffset, (m)), \
                  Q5LT(XmNbottomOffset, (m)),(char *) \
                  NULL)

/* Make a push button in a menu pane and hook up its callback. */
#define MENU_BUTTON(var, pane, name, cb) \
    do { \
        (var) = XtVaCreateManagedWidget((name), xmPushButtonWidgetClass, (pane), \
                                        Q5LT(XmNmnemonic, (name)[0]),(char *) \
                                        NULL); \
        XtAddCallback((var), XmNactivateCallback, (cb), NULL); \
    } while (0)

#define SET_SENSITIVE(w, on) XtVaSetValues(w, Q5LT(XmNsensitive, (on) ? True : False),(char *) NULL)

typedef struct {
    void *toplevel;
    void *main_window;
    void *menu_bar;
    void *form;
    void *text;
    void *status;
    void *save_button;
    void *wrap_toggle;
    void *file_dialog;
    void *about_dialog;
    char *file_name;
    int modified;
} AppData;

static AppData app;

static struct {
    char *resource_name, *resource_class, *resource_type;
    unsigned int resource_size, resource_offset;
    char *default_type;
    void *default_addr;
} resources[] = {
    { "wrapLines", "WrapLines", XtRBoolean, sizeof(int), 0, XtRImmediate, (void *) False },
};

static void set_status(const char *fmt, const char *arg)
{
    char buf[256];
    void *s;

    snprintf(buf, sizeof buf, fmt, arg);
    s = XmStringCreateLocalized(buf);
    XtVaSetValues(app.status, Q5LT(XmNlabelString, s),(char *) NULL);
    XmStringFree(s);
}

static void text_changed(void *w, void *client, void *call)
{
    if (!app.modified) {
        app.modified = True;
        SET_SENSITIVE(app.save_button, True);
        set_status("%s (modified)", app.file_name ? app.file_name : "untitled");
    }
}

static void load_file(const char *name)
{
    FILE *fp;
    long size;
    char *buf;

    if ((fp = fopen(name, "r")) == NULL) {
        set_status("Cannot open %s", name);
        return;
    }
    fseek(fp, 0L, SEEK_END);
    size = ftell(fp);
    rewind(fp);
    buf = XtMalloc(size + 1);
    buf[fread(buf, 1, size, fp)] = '\0';
    fclose(fp);

    XtVaSetValues(app.text,
                  Q5LT(XmNvalue, buf),
                  Q5LT(XmNcursorPosition, 0),(char *)
                  NULL);
    XtFree(buf);
    XtFree(app.file_name);
    app.file_name = XtNewString(name);
    app.modified = False;
    SET_SENSITIVE(app.save_button, False);
    set_status("Loaded %s", name);
}

static void save_file(void *w, void *client, void *call)
{
    FILE *fp;
    char *value = NULL;

    if (app.file_name == NULL)
        return;
    XtVaGetValues(app.text, Q5LT(XmNvalue, &value),(char *) NULL);
    if ((fp = fopen(app.file_name, "w")) != NULL) {
        fputs(value, fp);
        fclose(fp);
        app.modified = False;
        SET_SENSITIVE(app.save_button, False);
        set_status("Saved %s", app.file_name);
    }
    XtFree(value);
}

static void file_selected(void *w, void *client, void *call)
{
    struct { int reason; void *event; void *value; } *cbs = call;
    char *name = NULL;

    XtUnmanageChild(w);
    if (cbs->reason != XmCR_OK)
        return;
    name = (char *) XmStringUnparse(cbs->value, NULL, XmCHARSET_TEXT,
                                    XmCHARSET_TEXT, NULL, 0, XmOUTPUT_ALL);
    load_file(name);
    XtFree(name);
}

static void open_file(void *w, void *client, void *call)
{
    if (app.file_dialog == NULL) {
        app.file_dialog = XmCreateFileSelectionDialog(app.toplevel, "openDialog", NULL, 0);
        XtVaSetValues(XtParent(app.file_dialog),
                      Q5LT(XmNtitle, "Open note (*.txt, *.note)"),(char *)
                      NULL);
        XtVaSetValues(app.file_dialog,
                      Q5LT(XmNpattern, XmStringCreateLocalized("*.txt")),
                      Q5LT(XmNfileTypeMask, XmFILE_REGULAR),(char *)
                      NULL);
        XtAddCallback(app.file_dialog, XmNokCallback, file_selected, NULL);
        XtAddCallback(app.file_dialog, XmNcancelCallback, file_selected, NULL);
    }
    XtManageChild(app.file_dialog);
}

static void toggle_wrap(void *w, void *client, void *call)
{
    struct { int reason; void *event; int set; } *cbs = call;
    void *scrolled = XtParent(app.text);

    XtVaSetValues(app.text, Q5LT(XmNwordWrap, cbs->set),
                  Q5LT(XmNscrollHorizontal, !cbs->set),(char *) NULL);
    XtVaSetValues(scrolled, Q5LT(XmNscrollingPolicy, XmAPPLICATION_DEFINED),(char *) NULL);
}

static void show_about(void *w, void *client, void *call)
{
    if (app.about_dialog == NULL) {
        void *msg = XmStringCreateLtoR("xnotes 1.2\n(c) the xnotes authors, 1996",
                                          XmFONTLIST_DEFAULT_TAG);
        app.about_dialog = XmCreateInformationDialog(app.toplevel, "about", NULL, 0);
        XtVaSetValues(app.about_dialog,
                      Q5LT(XmNmessageString, msg),
                      Q5LT(XmNdialogTitle, XmStringCreateLocalized("About xnotes")),
#ifdef XmNminimizeButtons

                      Q5LT(XmNminimizeButtons, True),
#endif

                      Q5LT(XmNdialogStyle, XmDIALOG_FULL_APPLICATION_MODAL),(char *)
                      NULL);
        XmStringFree(msg);
        XtUnmanageChild(XmMessageBoxGetChild(app.about_dialog, XmDIALOG_CANCEL_BUTTON));
        XtUnmanageChild(XmMessageBoxGetChild(app.about_dialog, XmDIALOG_HELP_BUTTON));
    }
    XtManageChild(app.about_dialog);
}

static void quit(void *w, void *client, void *call)
{
    exit(0);
}

static void *make_pulldown(void *bar, const char *name, char mnemonic)
{
    void *pane, *cascade;

    pane = XmCreatePulldownMenu(bar, (char *) name, NULL, 0);
    cascade = XtVaCreateManagedWidget(name, xmCascadeButtonWidgetClass, bar,
                                      Q5LT(XmNsubMenuId, pane),
                                      Q5LT(XmNmnemonic, mnemonic),(char *)
                                      NULL);
    if (strcmp(name, "Help") == 0)
        XtVaSetValues(bar, Q5LT(XmNmenuHelpWidget, cascade),(char *) NULL);
    return pane;
}

static void build_menus(void)
{
    void *pane, *button;

    app.menu_bar = XmCreateMenuBar(app.main_window, "menuBar", NULL, 0);

    pane = make_pulldown(app.menu_bar, "File", 'F');
    MENU_BUTTON(button, pane, "Open...", open_file);
    MENU_BUTTON(app.save_button, pane, "Save", save_file);
    SET_SENSITIVE(app.save_button, False);
    XtVaCreateManagedWidget("sep", xmSeparatorWidgetClass, pane,(char *) NULL);
    MENU_BUTTON(button, pane, "Quit", quit);

    pane = make_pulldown(app.menu_bar, "View", 'V');
    app.wrap_toggle = XtVaCreateManagedWidget("Wrap lines",
                                              xmToggleButtonWidgetClass, pane,
                                              Q5LT(XmNset, False),
                                              Q5LT(XmNindicatorType, XmN_OF_MANY),(char *)
                                              NULL);
    XtAddCallback(app.wrap_toggle, XmNvalueChangedCallback, toggle_wrap, NULL);

    pane = make_pulldown(app.menu_bar, "Help", 'H');
    MENU_BUTTON(button, pane, "About", show_about);

    /* keep the popup menu with the menu bar */
    XtVaSetValues(app.menu_bar, Q5LT(XmNuserData,
                  (void *) XtVaCreateWidget("popup", xmRowColumnWidgetClass, app.main_window,
                                               XmNrowColumnType, XmMENU_POPUP, NULL)),(char *)
                  NULL);

    XtManageChild(app.menu_bar);
}

static void build_work_area(void)
{
    struct { char *name; long value; } args[8];
    int n = 0;

    app.form = XtVaCreateManagedWidget("form", xmFormWidgetClass, app.main_window,
                                       Q5LT(XmNfractionBase, 100),
                                       Q5LT(XmNhorizontalSpacing, MARGIN),
                                       Q5LT(XmNverticalSpacing, MARGIN),(char *)
                                       NULL);

    app.status = XtVaCreateManagedWidget("status", xmLabelWidgetClass, app.form,
                                         Q5LT(XmNalignment, XmALIGNMENT_BEGINNING),
                                         Q5LT(XmNleftAttachment, XmATTACH_FORM),
                                         Q5LT(XmNrightAttachment, XmATTACH_FORM),
                                         Q5LT(XmNbottomAttachment, XmATTACH_FORM),
                                         Q5LT(XmNheight, STATUS_HEIGHT),
                                         Q5LT(XmNrecomputeSize, False),(char *)
                                         NULL);
    XtVaSetValues(app.status,
                  Q5LT(XtVaTypedArg, XmNforeground), Q5LT(XmRString, "navy"), Q5LT(strlen("navy") + 1,
                  NULL));

    XtSetArg(args[n], XmNeditMode, XmMULTI_LINE_EDIT); n++;
    XtSetArg(args[n], XmNrows, 24); n++;
    XtSetArg(args[n], XmNcolumns, 80); n++;
    app.text = XmCreateScrolledText(app.form, "text", args, n);
    XtVaSetValues(XtParent(app.text),
                  Q5LT(XmNtopAttachment, XmATTACH_FORM),
                  Q5LT(XmNleftAttachment, XmATTACH_FORM),
                  Q5LT(XmNrightAttachment, XmATTACH_FORM),
                  Q5LT(XmNbottomAttachment, XmATTACH_WIDGET),
                  Q5LT(XmNbottomWidget, app.status),(char *)
                  NULL);
    XtManageChild(app.text);
    XtAddCallback(app.text, XmNvalueChangedCallback, text_changed, NULL);

#if 0
    /* old layout: the status line above the text */
    ATTACH_ALL(app.status, MARGIN);
#endif
}

int main(int argc, char **argv)
{
    void *context;
    int wrap = False;
    unsigned short width, height;

    app.toplevel = XtVaAppInitialize(&context, APP_CLASS, NULL, 0, &argc, argv, NULL,
                                     XmNtitle, "xnotes",
                                     NULL);
    XtGetApplicationResources(app.toplevel, &wrap, resources, XtNumber(resources), NULL, 0);

    app.main_window = XtVaCreateManagedWidget("main", xmMainWindowWidgetClass, app.toplevel,
                                              Q5LT(XmNshowSeparator, True),
#ifdef HAVE_COMMAND_AREA

                                              Q5LT(XmNcommandWindowLocation, XmCOMMAND_BELOW_WORKSPACE),
#else

                                              Q5LT(XmNshadowThickness, 2),
#endif
(char *)
                                              NULL);
    build_menus();
    build_work_area();
    XmMainWindowSetAreas(app.main_window, app.menu_bar, NULL, NULL, NULL, app.form);

    XtVaSetValues(app.wrap_toggle, Q5LT(XmNset, wrap),(char *) NULL);
    XtVaSetValues(app.text, Q5LT(XmNwordWrap, wrap),
                  Q5LT(XmNscrollHorizontal, !wrap),
                  Q5LT(XmNfontList, XmFontListAppendEntry(NULL,
                                                     XmFontListEntryLoad(XtDisplay(app.toplevel),
                                                                         "-*-courier-medium-r-*-*-12-*",
                                                                         XmFONT_IS_FONT, "TAG"))),(char *)
                  NULL);

    if (argc > 1)
        load_file(argv[1]);
    else
        set_status("%s", "No file loaded (use File, Open...)");

    XtRealizeWidget(app.toplevel);
    XtVaGetValues(app.toplevel, Q5LT(XmNwidth, &width), Q5LT(XmNheight, &height),(char *) NULL);
    XtVaSetValues(app.toplevel,
                  Q5LT(XmNminWidth, width / 2),
                  Q5LT(XmNminHeight, height / 2),(char *)
                  NULL);
    XtAppMainLoop(context);
    return 0;
}
